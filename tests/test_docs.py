"""The documentation: every example of the guide's pages and of the adapters' docstrings is what
the modules print, and the reference covers every public name, each documented with its
parameters, what it returns and an example."""

import doctest
import importlib
import inspect
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parent.parent
DOCS = ROOT / "docs"
PAGES = sorted(DOCS.rglob("*.md")) if DOCS.is_dir() else []
ENGINES = ["duckdb"]
# Iran's holidays as the examples count them: the holidays package from 0.92 on, whose lunar
# holidays of 1404 they are (Python 3.8 and 3.9 have no version so recent)
try:
    import holidays
    HOLIDAYS = tuple(int(n) for n in holidays.__version__.split(".")[:2]) >= (0, 92)
except ImportError:
    HOLIDAYS = False
pytestmark = pytest.mark.skipif(not PAGES, reason="the documentation is not beside the tests")


def run_examples(test):
    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS | doctest.NORMALIZE_WHITESPACE)
    runner.run(test)
    return runner.failures


@pytest.mark.parametrize("page", PAGES, ids=[str(p.relative_to(DOCS)) for p in PAGES])
def test_the_examples_of_each_page(page):
    pytest.importorskip("pandas")
    pytest.importorskip("polars")
    # a code fence would read as expected output: end each example at its fence
    text = "\n".join("" if line.startswith("```") else line for line in page.read_text().splitlines())
    for engine in ENGINES:  # a page of an engine's functions needs the engine
        if f">>> import {engine}\n" in text:
            pytest.importorskip(engine)
    if "holiday" in text and not HOLIDAYS:
        pytest.skip("the holidays package, 0.92 or later, is not installed")
    if "jalali_axis" in text:
        matplotlib = pytest.importorskip("matplotlib")
        if tuple(int(n) for n in matplotlib.__version__.split(".")[:2]) < (3, 11):
            # before, the labels are handed over shaped, in the letters' presentation forms
            pytest.skip("the page shows Persian labels as matplotlib 3.11 and later lay them out")
    test = doctest.DocTestParser().get_doctest(text, {}, page.name, str(page), 0)
    assert run_examples(test) == 0


ADAPTERS = ["algorithms_c_pandas", "algorithms_c_dask", "algorithms_c_polars", "algorithms_c_duckdb",
            "algorithms_c_spark"]
# what an adapter needs besides itself: where it is missing the adapter's own import fails, which
# importorskip would report as a warning rather than skip
NEEDS = {"algorithms_c_dask": ("dask.dataframe",), "algorithms_c_duckdb": ("duckdb", "pyarrow"),
         "algorithms_c_spark": ("pyspark", "pyarrow")}


def adapter(name):
    for need in NEEDS.get(name, ()):
        pytest.importorskip(need)
    return pytest.importorskip(name)


# the examples each module's docstrings hold at the least (DuckDB's one function, register)
EXAMPLES = {"algorithms_c_duckdb": 5, "algorithms_c_spark": 19}  # Spark's need a session: shown, not run


@pytest.mark.parametrize("name", ADAPTERS)
def test_the_examples_of_the_adapters_docstrings(name):
    module = adapter(name)
    tests = doctest.DocTestFinder().find(module)
    assert sum(len(t.examples) for t in tests) >= EXAMPLES.get(name, 21)
    for test in tests:
        if not HOLIDAYS and any("holiday" in e.source or "working_day" in e.source for e in test.examples):
            continue  # working days need the holidays package
        assert run_examples(test) == 0, test.name


def public(cls):
    """The public properties and methods of a class, its bases' included."""
    return {n: getattr(cls, n) for n in dir(cls) if not n.startswith("_")}


def documented(name, what, callable_with_arguments):
    """Whether a docstring says what it is, what it takes and gives, with an example."""
    doc = inspect.getdoc(what) or ""
    sections = ["Examples"] + (["Parameters"] if callable_with_arguments else [])
    missing = [s for s in sections if f"{s}\n--" not in doc]
    return not missing, f"{name}: no {', '.join(missing)}"


@pytest.mark.parametrize("name", ADAPTERS)
def test_every_public_name_of_the_adapters_is_documented(name):
    module = adapter(name)
    names = list(module.__all__)
    for public_name in names:
        what = getattr(module, public_name)
        if inspect.isclass(what):
            assert inspect.getdoc(what) and "Examples\n--" in inspect.getdoc(what), public_name
            for member, value in public(what).items():
                takes = not isinstance(value, property) and len(inspect.signature(value).parameters) > 1
                ok, why = documented(f"{public_name}.{member}", value, takes)
                assert ok, why
        else:
            ok, why = documented(public_name, what, True)
            assert ok, why


def reference_text():
    return "\n".join(p.read_text() for p in sorted((DOCS / "reference").glob("*.md")))


def test_the_reference_covers_every_public_name():
    """Each module, class and function is named by an autodoc directive of the reference, whose
    members autodoc lists from the code itself."""
    text = reference_text()
    assert ".. automodule:: algorithms_c\n   :members:" in text
    for name in ADAPTERS:
        module = adapter(name)
        for public_name in module.__all__:
            what = getattr(module, public_name)
            directive = "autoclass" if inspect.isclass(what) else "autofunction"
            assert f".. {directive}:: {name}.{public_name}" in text, public_name
    numpy_module = pytest.importorskip("algorithms_c_numpy")
    for space in ("algorithms_c_numpy", "algorithms_c_numpy.astronomical"):
        module = importlib.import_module(space)
        ufuncs = [n for n in dir(module) if type(getattr(module, n)).__name__ == "ufunc"]
        assert len(ufuncs) == 8, space
        for ufunc in ufuncs:
            if space.endswith("astronomical") and getattr(module, ufunc) is getattr(numpy_module, ufunc):
                continue  # the Gregorian two, the top level's
            assert f".. autofunction:: {space}.{ufunc}" in text, f"{space}.{ufunc}"
