// The main window's part of the recording journal: it follows the measurement session, warns once
// when the journal cannot be written, and at start-up deals with journals that earlier programs
// left.
#include <QEvent>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <functional>
#include <utility>

#include "core/dialog_service.h"
#include "core/module_data.h"
#include "journal/left_journals.h"
#include "journal/recording_journal.h"
#include "measure/form_main.h"
#include "session/measurement_session.h"
#include "session/session_journal.h"

namespace {

QString LeftJournalQuestion(const LeftJournal& journal) {
  const QString what =
      journal.startTime.isEmpty()
          ? QStringLiteral("%1 件").arg(journal.samples)
          : QStringLiteral("開始時刻 %1、%2 件").arg(journal.startTime).arg(journal.samples);
  return QStringLiteral("前回の測定データ（%1）が保存されずに残っています。読み込みますか？")
      .arg(what);
}

// Runs `then` once, on owner's behalf, after window has first been exposed on the screen.
class WhenExposed : public QObject {
 public:
  WhenExposed(QWindow* window, QObject* owner, std::function<void()> then)
      : QObject(window), owner_(owner), then_(std::move(then)) {
    window->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
      watched->removeEventFilter(this);
      // After the event has been handled, so that the window is shown when `then` runs.
      QTimer::singleShot(0, owner_, then_);
      deleteLater();
    }
    return false;
  }

 private:
  QObject* owner_;
  std::function<void()> then_;
};

}  // namespace

void FormMain::StartJournal(bool unattended) {
  if (journal_) return;
  journal_ = std::make_shared<RecordingJournal>(JournalFolder());
  journal_->onWriteFailure = [this](const QString& text) { ShowWarningBox(journalWarning_, text); };
  FollowSession(*session_, *journal_, md_);

  if (unattended) {
    KeepLeftJournals(JournalFolder(), stderr);
    return;
  }
  // The offer is a box centred on this window. A window just shown is not on the screen yet (the
  // window system places it first): the box waits for it, or it would be placed for a window that
  // is not there.
  QWindow* window = windowHandle();
  if (isVisible() && window && !window->isExposed()) {
    new WhenExposed(window, this, [this] { OfferLeftJournals(); });
    return;
  }
  OfferLeftJournals();
}

void FormMain::OfferLeftJournals() {
  QStringList kept;
  QStringList notKept;
  QStringList unwritable;
  bool loaded = false;
  for (LeftJournal& journal : TakeLeftJournals(JournalFolder(), &unwritable)) {
    // One record set fits in memory: after one is read, the others are kept as files.
    if (!loaded && dialogs_.Ask(LeftJournalQuestion(journal)) == MsgAnswer::Yes &&
        LoadDataFile(journal.file.Path())) {
      journal_->Adopt(std::move(journal.file));
      // Its samples are in no file the operator keeps: the journal goes at the normal end.
      md_.Unsaved = true;
      loaded = true;
      continue;
    }
    int error = 0;
    const QString path = KeepAsDatedFile(journal, &error);
    if (path.isEmpty()) {
      notKept << journal.file.Path();
    } else {
      kept << path;
    }
  }
  if (!kept.isEmpty()) {
    dialogs_.Notice(
        QStringLiteral("前回の測定データを次のファイルに保存しました。「読込み」で開けます。\n") +
        kept.join(QLatin1Char('\n')));
  }
  if (!notKept.isEmpty()) {
    dialogs_.Notice(
        QStringLiteral(
            "前回の測定データを保存し直せませんでした。次のファイルのまま残しています。\n") +
        notKept.join(QLatin1Char('\n')));
  }
  if (!unwritable.isEmpty()) {
    dialogs_.Notice(QStringLiteral("前回の測定データが、書き込みできない場所に残っています。"
                                   "「読込み」で開けます。\n") +
                    unwritable.join(QLatin1Char('\n')));
  }
}

void FormMain::ShowWarningBox(QPointer<QMessageBox>& box, const QString& text) {
  // Shown from inside a timer tick: a modal box would hold up the measurement, so the box only
  // appears and the tick goes on. A box still open from an earlier measurement takes the text.
  if (box) {
    box->setText(text);
    return;
  }
  box =
      new QMessageBox(QMessageBox::Warning, QStringLiteral("Message"), text, QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);
  box->show();
}
