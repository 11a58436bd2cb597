"""The test suite on every supported interpreter, and the array module's tests on the oldest and
the newest NumPy: `nox` (or `nox -s tests-3.8`, `nox -s numpy_range`).

Interpreters are found on PATH, or among pyenv's versions; one that is absent
is reported and skipped, so that a machine with a single Python still runs.
"""

import os
from pathlib import Path

import nox

PYTHONS = ["3.8", "3.9", "3.10", "3.11", "3.12", "3.13"]

nox.options.sessions = ["tests", "numpy_range"]
nox.options.error_on_missing_interpreters = False  # nox turns this on when CI is set
nox.options.default_venv_backend = "venv"

# pyenv's own versions ahead of its shims, which fail for a version not selected
pyenv = Path(os.environ.get("PYENV_ROOT", Path.home() / ".pyenv")) / "versions"
found = [str(pyenv / v / "bin") for v in sorted(os.listdir(pyenv))] if pyenv.is_dir() else []
os.environ["PATH"] = os.pathsep.join([*found, os.environ.get("PATH", "")])


@nox.session(python=PYTHONS)
def tests(session):
    session.install(".[test]")
    session.run("python", "-m", "pytest", *session.posargs)


@nox.session(python="3.9")
@nox.parametrize("numpy", ["1.19.3", "newest"])
def numpy_range(session, numpy):
    """The array module on the oldest and the newest NumPy that pip installs for Python 3.9."""
    session.install(".", "pytest", "hypothesis")
    session.install("numpy" if numpy == "newest" else f"numpy=={numpy}")
    session.run("python", "-c", "import numpy; print('NumPy', numpy.__version__)")
    session.run("python", "-m", "pytest", "tests/test_numpy.py", *session.posargs)
