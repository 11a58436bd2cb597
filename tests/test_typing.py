"""Signatures and the type information that Python tooling reads."""

import importlib.util
import inspect
import subprocess
import sys
from pathlib import Path

import pytest

import algorithms_c as ac

TYPING = Path(__file__).resolve().parent / "typing"
SIGNATURES = {
    "get_julian_day_from_gregorian_date": "(year, month, day, /)",
    "is_jalali_leap_year": "(year, /)",
    "get_days_in_jalali_year": "(year, /)",
    "get_days_in_jalali_month": "(year, month, /)",
    "get_julian_day_from_jalali_date": "(year, month, day, /)",
    "get_jalali_date_from_julian_day": "(julian_day, /)",
    "get_gregorian_date_from_julian_day": "(julian_day, /)",
    "get_jalali_date_from_gregorian_date": "(year, month, day, /)",
}


@pytest.mark.parametrize("name", SIGNATURES)
def test_signature(name):
    assert str(inspect.signature(getattr(ac, name))) == SIGNATURES[name]


def test_help_shows_names_and_sentences():
    text = inspect.getdoc(ac.get_days_in_jalali_month)
    assert text == "Determines the number of days in jalali month."
    import pydoc
    page = pydoc.render_doc(ac, renderer=pydoc.plaintext)
    assert "get_days_in_jalali_month(year, month, /)" in page
    assert "Determines the number of days in jalali month." in page


def mypy(*args, cache):
    return subprocess.run([sys.executable, "-m", "mypy", "--cache-dir", str(cache), *args],
                          capture_output=True, text=True)


@pytest.mark.stubs
def test_mypy_strict_accepts_typed_use_and_refuses_misuse(tmp_path):
    examples = ["typed_example.py", *(["typed_arrays.py"] if importlib.util.find_spec("numpy") else [])]
    ok = mypy("--strict", *(str(TYPING / name) for name in examples), cache=tmp_path)
    assert ok.returncode == 0, ok.stdout + ok.stderr
    misuse = mypy("--strict", str(TYPING / "misuse.py"), cache=tmp_path)
    assert misuse.returncode == 1
    assert 'Argument 1 to "is_jalali_leap_year" has incompatible type "str"; expected "int"' in misuse.stdout


@pytest.mark.stubs
@pytest.mark.parametrize("module", ["algorithms_c", "algorithms_c_numpy"])
def test_stubs_match_the_module(module, tmp_path):
    pytest.importorskip(module)
    result = subprocess.run([sys.executable, "-m", "mypy.stubtest", module],
                            capture_output=True, text=True, cwd=tmp_path)
    assert result.returncode == 0, result.stdout + result.stderr
