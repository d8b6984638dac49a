// A main window on its own data module, settings store and scripted dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>

#include "core/mdx4a.h"
#include "core/module_data.h"
#include "measure/form_main.h"
#include "measure/main_controls.h"
#include "scripted_dialogs.h"

class FormMainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(configDir_.isValid());
    // A fresh, empty settings store for every test.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configDir_.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configDir_.path());
    form = std::make_unique<FormMain>(md, driver, dialogs);
    form->show();
    QApplication::processEvents();
  }

  void TearDown() override {
    form.reset();
    QApplication::processEvents();
  }

  MainControls& ui() { return form->Controls(); }

  // Puts n samples of unit 0 into the record set, as a finished measurement leaves them.
  void AddSamples(int n) {
    for (int k = 0; k < n; ++k) md.Record.Units[0].Data[k] = 20.0f + static_cast<float>(k);
    md.Record.Units[0].DataCount = n;
    md.Record.SampleCount = n;
    form->SetButtonState();
  }

  // Puts the window into the running state without touching the driver.
  void SetRunning(bool running) {
    md.Measuring = running;
    form->SetButtonState();
  }

  QTemporaryDir configDir_;
  ModuleData md;
  ScriptedDialogs dialogs;
  MDX4A driver{dialogs};
  std::unique_ptr<FormMain> form;
};
