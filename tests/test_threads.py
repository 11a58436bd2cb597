"""Both modules from many threads at once, and, on a free-threaded interpreter, without the GIL."""

import os
import random
import subprocess
import sys
import sysconfig
import threading

import pytest

import algorithms_c as ac
from test_domain import DOMAIN, outcome

THREADS = 4


def run_together(work):
    """`work()` in THREADS threads released at one moment; what each returned."""
    start = threading.Barrier(THREADS)
    results = [None] * THREADS

    def run(i):
        start.wait()
        results[i] = work()

    threads = [threading.Thread(target=run, args=(i,)) for i in range(THREADS)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return results


def test_threads_calling_every_function_at_once_get_what_one_thread_gets():
    """The drawn arguments include refused ones, so exceptions are raised from all threads too."""
    rng = random.Random(17)
    calls = [(f, draw(rng)) for f, draw, _ in DOMAIN for _ in range(300)]
    arrays = []
    try:
        import algorithms_c_numpy as an
        from test_numpy import array_outcome, columns
    except ImportError:  # no NumPy: the per-call functions alone
        an = None
    for f, draw, _ in DOMAIN if an is not None else []:
        args = [draw(rng) for _ in range(4000)]
        arrays += [(getattr(an, f.__name__), [c[i:i + 1000] for c in columns(args, f)]) for i in range(0, 4000, 1000)]
    refused = [r for r in (array_outcome(u, a) for u, a in arrays) if isinstance(r, tuple)]
    assert an is None or 0 < len(refused) < len(arrays)

    def work():
        return ([outcome(f, *args) for f, args in calls * 3], [array_outcome(u, a) for u, a in arrays * 3])

    alone = work()
    for together in run_together(work):
        assert together == alone


@pytest.mark.skipif(not sysconfig.get_config_var("Py_GIL_DISABLED"), reason="the interpreter is not free-threaded")
@pytest.mark.parametrize("module", ["algorithms_c", "algorithms_c_numpy"])
def test_importing_leaves_the_gil_off(module):
    """A module that does not declare itself safe without the GIL turns it back on at import,
    with a RuntimeWarning, which is made an error here. PYTHON_GIL and -X gil would silence it."""
    if module == "algorithms_c_numpy":
        pytest.importorskip("numpy")
    env = {k: v for k, v in os.environ.items() if k != "PYTHON_GIL"}
    code = f"import sys, {module}; assert not sys._is_gil_enabled(), 'the GIL is on'"
    result = subprocess.run([sys.executable, "-W", "error::RuntimeWarning", "-c", code], env=env,
                            capture_output=True, text=True)
    assert result.returncode == 0, result.stderr
