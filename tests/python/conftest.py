import os
import subprocess
import sys

import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "python"))
sys.path.insert(0, HERE)


def program():
    path = os.environ.get("KORVALE_PROGRAM")
    if not path or not os.access(path, os.X_OK):
        pytest.skip("KORVALE_PROGRAM names no built korvale")
    return path


def program_env(**extra):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env.update(extra)
    return env


def export(inputs, output, **env):
    """Runs korvale --export; its exit status and standard error."""
    done = subprocess.run(
        [program(), "--export", *inputs, output],
        env=program_env(**env),
        capture_output=True,
        timeout=120,
    )
    return done.returncode, done.stderr.decode("utf-8", "replace").strip()


def read_export(path):
    """The analysis CSV as pandas reads it (values exactly, a mark text "NA" as text), with its
    description lines as a dict."""
    import pandas as pd

    preamble = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if not line.startswith("#"):
                break
            key, _, value = line[2:].rstrip("\n").partition(":")
            preamble[key] = value[1:]
    frame = pd.read_csv(
        path,
        skiprows=len(preamble),
        float_precision="round_trip",
        keep_default_na=False,
        na_values=[""],
    )
    return frame, preamble
