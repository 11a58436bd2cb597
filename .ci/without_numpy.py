"""algorithms_c works where NumPy is missing, and algorithms_c_numpy and the data-frame adapters
say what they need: the extra to install.

    python .ci/without_numpy.py "words the ImportError must hold"
"""

import importlib.util
import sys

import algorithms_c

assert importlib.util.find_spec("numpy") is None, "NumPy is installed here"
assert algorithms_c.get_jalali_date_from_gregorian_date(2016, 3, 20) == (1395, 1, 1)
try:
    import algorithms_c_numpy  # noqa: F401
except ImportError as error:
    assert sys.argv[1] in str(error), error
    print("ImportError:", error)
else:
    raise AssertionError("algorithms_c_numpy imported without NumPy")

ADAPTERS = (("algorithms_c_pandas", "pandas"), ("algorithms_c_dask", "dask"), ("algorithms_c_polars", "polars"),
            ("algorithms_c_duckdb", "duckdb"), ("algorithms_c_matplotlib", "plot"))
for adapter, extra in ADAPTERS:
    try:
        importlib.import_module(adapter)
    except ImportError as error:
        assert f'pip install "algorithms-c[{extra}]"' in str(error), error
        print("ImportError:", error)
    else:
        raise AssertionError(f"{adapter} imported without NumPy")
