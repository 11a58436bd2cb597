"""Jalali dates of dask DataFrame Series: ``s.jalali.year``, ``s.jalali.floor("month")``, run
lazily, partition by partition, as dask's own ``.dt`` runs.

Importing this module, or :mod:`algorithms_c_pandas` where dask is installed, registers the
``jalali`` accessor on dask Series. Its properties and methods are those of the pandas accessor,
:class:`algorithms_c_pandas.JalaliAccessor`, which converts each partition where it is (on the
workers of a distributed cluster); the forwarding is generated from the lists of fields and
methods below, and each docstring is composed from the pandas one's parts with an example of its
own.
"""

import inspect

try:
    import dask.dataframe as dd
    import pandas as pd
except ImportError as error:  # pragma: no cover - exercised where dask is missing
    raise ImportError(f'algorithms_c_dask needs dask with its DataFrame extras and pandas ({error}): '
                      f'pip install "algorithms-c[dask]"') from error

import _algorithms_c_frames as _frames
import algorithms_c_pandas as _pandas

__all__ = ["DaskJalaliAccessor"]

FIELDS = _frames.FIELDS
# Each method forwarded, with its example on the dates of the fields' examples (30 Esfand 1403,
# 1 Farvardin 1404, a missing value): the call, what it gives computed, and what it returns.
METHODS = {
    "parts": ("parts().compute().values.tolist()", "[[1403, 12, 30], [1404, 1, 1], [<NA>, <NA>, <NA>]]",
              "dask DataFrame"),
    "floor": ('floor("month").compute().tolist()', "[Timestamp('2025-02-19 00:00:00'), "
                                                   "Timestamp('2025-03-21 00:00:00'), NaT]", "dask Series"),
    "ceil": ('ceil("year").compute().tolist()', "[Timestamp('2025-03-21 00:00:00'), "
                                               "Timestamp('2025-03-21 00:00:00'), NaT]", "dask Series"),
    "add_months": ("add_months(1).compute().tolist()", "[Timestamp('2025-04-19 00:00:00'), "
                                                     "Timestamp('2025-04-21 00:00:00'), NaT]", "dask Series"),
    "add_years": ("add_years(-1).compute().tolist()", "[Timestamp('2024-03-19 00:00:00'), "
                                                    "Timestamp('2024-03-20 00:00:00'), NaT]", "dask Series"),
    "strftime": ('strftime("%Y/%m/%d").compute().tolist()', "['1403/12/30', '1404/01/01', <NA>]", "dask Series"),
    "month_name": ('month_name("fa").compute().tolist()', "['اسفند', 'فروردین', <NA>]", "dask Series"),
    "day_name": ("day_name().compute().tolist()", "['Thursday', 'Friday', <NA>]", "dask Series"),
}

# Holidays and working days (frames/_algorithms_c_workdays.py), forwarded as the others are.
FIELDS = FIELDS + ("is_holiday",)
METHODS.update({
    "is_holiday_in": ("is_holiday_in([(1404, 1, 5)]).compute().tolist()", "[True, True, <NA>]", "dask Series"),
    "holiday_name": ("holiday_name().compute().tolist()", "['Last Day of Year', 'Nowruz', <NA>]", "dask Series"),
    "is_working_day": ("is_working_day().compute().tolist()", "[False, False, <NA>]", "dask Series"),
    "add_working_days": ("add_working_days(1).compute().tolist()",
                         "[Timestamp('2025-03-26 00:00:00'), Timestamp('2025-03-26 00:00:00'), NaT]", "dask Series"),
    "working_days_in_month": ("working_days_in_month().compute().tolist()", "[24, 20, <NA>]", "dask Series"),
})

_SAMPLE = ('>>> import dask.dataframe as dd\n'
           '>>> s = dd.from_pandas(pd.Series(pd.to_datetime(["2025-03-20", "2025-03-21", None])), npartitions=1)')


def _sections(doc: str) -> dict:
    """A NumPy-style docstring cut into its parts: the summary under "", and each section's
    body under its heading."""
    lines = inspect.cleandoc(doc).splitlines()
    parts, heading, body = {}, "", []
    i = 0
    while i < len(lines):
        underlined = i + 1 < len(lines) and lines[i] and set(lines[i + 1]) == {"-"} and \
            len(lines[i + 1]) == len(lines[i])
        if underlined:
            parts[heading] = "\n".join(body).strip("\n")
            heading, body = lines[i], []
            i += 2
            continue
        body.append(lines[i])
        i += 1
    parts[heading] = "\n".join(body).strip("\n")
    return parts


def _compose(pandas_doc: str, returns: str, call: str, result: str) -> str:
    """The docstring of a forwarded property or method: the pandas one's summary and parameters,
    its returns as `returns` gives them (the description kept), and a dask example."""
    parts = _sections(pandas_doc)
    pieces = [parts[""]]
    if "Parameters" in parts:
        pieces.append(f"Parameters\n----------\n{parts['Parameters']}")
    described = parts["Returns"].splitlines()[1:]  # the pandas type's line gives way to the dask one
    pieces.append("Returns\n-------\n" + "\n".join([returns, *described]))
    pieces.append(f"Examples\n--------\n{_SAMPLE}\n>>> s.jalali.{call}\n{result}")
    return "\n\n".join(pieces) + "\n"


# Each partition through the pandas accessor's class itself, not the attribute "jalali", which
# another package may have taken since (jalali-pandas registers one of its own). Module-level, so
# that they travel to a cluster's workers by name.
def _map_field(partition, name: str, calendar: str):
    return getattr(_pandas.JalaliAccessor(partition, calendar), name)


def _map_method(partition, name: str, calendar: str, *args):
    return getattr(_pandas.JalaliAccessor(partition, calendar), name)(*args)


def _delegated_field(cls, name: str):
    def get(self):
        return self._field(name)

    get.__name__, get.__qualname__ = name, f"{cls.__name__}.{name}"
    get.__doc__ = _compose(getattr(_pandas.JalaliAccessor, name).__doc__, "dask Series",
                           f"{name}.compute().tolist()", _pandas._EXAMPLES[name])
    return property(get)


def _delegated_method(cls, name: str):
    target = getattr(_pandas.JalaliAccessor, name)
    signature = inspect.signature(target)
    # the arguments go to every partition by position
    assert all(p.kind == p.POSITIONAL_OR_KEYWORD for p in signature.parameters.values()), name

    def method(self, *args, **kwargs):
        bound = signature.bind(self, *args, **kwargs)
        bound.apply_defaults()
        return self._method(name, *bound.args[1:])

    call, result, returns = METHODS[name]
    method.__name__, method.__qualname__ = name, f"{cls.__name__}.{name}"
    method.__signature__ = signature
    method.__doc__ = _compose(target.__doc__, returns, call, result)
    return method


def _delegate_names(fields, methods):
    """Gives the class a property for each field and a method for each method of the pandas
    accessor, forwarded to it partition by partition, as pandas' ``delegate_names`` gives
    ``Series.dt`` the properties and methods of its arrays."""
    def add(cls):
        for name in fields:
            setattr(cls, name, _delegated_field(cls, name))
        for name in methods:
            setattr(cls, name, _delegated_method(cls, name))
        return cls
    return add


@dd.extensions.register_series_accessor("jalali")
@_delegate_names(FIELDS, METHODS)
class DaskJalaliAccessor:
    """The Jalali dates of a dask Series of datetimes, ``s.jalali``: the properties and
    methods of the pandas accessor, run lazily on each partition, as dask's own ``.dt``.

    Examples
    --------
    >>> import dask.dataframe as dd
    >>> lazy = dd.from_pandas(pd.Series(pd.to_datetime(["2025-03-20", None])), npartitions=1)
    >>> lazy.jalali.year.compute().tolist(), lazy.jalali.arithmetic.year.compute().tolist()
    ([1403, <NA>], [1404, <NA>])
    """

    def __init__(self, series, calendar: str = "astronomical"):
        if not _pandas._accepts(series.dtype):
            raise TypeError(f"the jalali accessor takes {_pandas.ACCEPTED}, not {series.dtype}")
        self._series = series
        self._calendar = _frames.check_calendar(calendar)

    @property
    def calendar(self) -> str:
        """The Jalali calendar in which this accessor names dates: "astronomical" or
        "arithmetic".

        Examples
        --------
        >>> import dask.dataframe as dd
        >>> lazy = dd.from_pandas(pd.Series(pd.to_datetime(["2025-03-20"])), npartitions=1)
        >>> lazy.jalali.calendar, lazy.jalali.arithmetic.calendar
        ('astronomical', 'arithmetic')
        """
        return self._calendar

    @property
    def astronomical(self):
        """The accessor in the astronomical Jalali calendar: the same as ``.jalali`` itself.

        Examples
        --------
        >>> import dask.dataframe as dd
        >>> lazy = dd.from_pandas(pd.Series(pd.to_datetime(["2025-03-20"])), npartitions=1)
        >>> lazy.jalali.astronomical.parts().compute().values.tolist()
        [[1403, 12, 30]]
        """
        return type(self)(self._series, "astronomical")

    @property
    def arithmetic(self):
        """The accessor in the arithmetic Jalali calendar, that of algorithms_c's functions.

        Examples
        --------
        >>> import dask.dataframe as dd
        >>> lazy = dd.from_pandas(pd.Series(pd.to_datetime(["2025-03-20"])), npartitions=1)
        >>> lazy.jalali.arithmetic.parts().compute().values.tolist()
        [[1404, 1, 1]]
        """
        return type(self)(self._series, "arithmetic")

    def _meta(self):
        """The pandas accessor on the dask Series' empty sample, which tells what a partition gives
        (and refuses bad arguments before anything is computed)."""
        return _pandas.JalaliAccessor(self._series._meta, self._calendar)

    def _field(self, name: str):
        meta = getattr(self._meta(), name)
        return self._series.map_partitions(_map_field, name, self._calendar, meta=meta)

    def _method(self, name: str, *args):
        meta = getattr(self._meta(), name)(*args)
        return self._series.map_partitions(_map_method, name, self._calendar, *args, meta=meta)


# months_between takes a second column: a dask Series goes partition beside partition.
def _map_months_between(partition, other, calendar: str):
    return _pandas.JalaliAccessor(partition, calendar).months_between(other)


def _months_between(self, other):
    other_meta = other._meta if isinstance(other, dd.Series) else other
    meta = self._meta().months_between(other_meta)
    return self._series.map_partitions(_map_months_between, other, self._calendar, meta=meta)


_months_between.__name__, _months_between.__qualname__ = "months_between", "DaskJalaliAccessor.months_between"
_months_between.__doc__ = _compose(
    _pandas.JalaliAccessor.months_between.__doc__, "dask Series",
    'months_between(dd.from_pandas(pd.Series(pd.to_datetime(["2025-04-18", "2025-04-21", "2025-04-21"])), '
    'npartitions=1)).compute().tolist()', "[0, 1, <NA>]")
DaskJalaliAccessor.months_between = _months_between
