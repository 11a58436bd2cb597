"""Where the values of an Arrow or polars column are missing, through the column passes: the
validity bits come back as the column gave them (a view of its own buffer where its first row
begins a byte), whether the nulls fall at the edges of the passes' blocks or the array is a slice
of another; a NaT that the bits call present is missing as well, and only then are bits written
anew. pyarrow's own is_valid is the oracle."""

import pytest

np = pytest.importorskip("numpy")
pa = pytest.importorskip("pyarrow")

import _algorithms_c_frames as frames

PASS_BLOCK = 1024  # the rows that a pass takes at a time
N = 3 * PASS_BLOCK + 11
EDGES = [0, 1, 7, 8, PASS_BLOCK - 1, PASS_BLOCK, 2 * PASS_BLOCK - 1, 2 * PASS_BLOCK + 3, N - 1]
NAT = np.iinfo(np.int64).min


def arrow_column(kind, offset, nat_at=None):
    """An Arrow array of `kind` ("date32" or "timestamp"), nulls at the block edges, sliced from
    `offset`; with `nat_at`, a present value there holding NaT's bits."""
    rng = np.random.default_rng(offset)
    days = rng.integers(-25_000, 45_000, N + offset)
    valid = np.ones(N + offset, bool)
    valid[[offset + e for e in EDGES]] = False
    if kind == "date32":
        array = pa.array(days.astype(np.int32), pa.date32(), mask=~valid)
    else:
        ticks = days * 86_400_000_000 + rng.integers(0, 86_400_000_000, N + offset)
        if nat_at is not None:
            ticks[offset + nat_at] = NAT
            valid[offset + nat_at] = True
        array = pa.array(ticks, pa.timestamp("us"), mask=~valid)
    return array.slice(offset)


def bits_of(validity, length):
    return np.unpackbits(validity, bitorder="little")[:length].astype(bool)


def passes(column):
    """(name, validity bits, results) of every pass with bits."""
    (values,), fields = frames.fields(column, "astronomical", ("year",), bits=True)
    ticks, starts = frames.period_starts(column, "arithmetic", "month", False, bits=True)
    moved, months = frames.add_months(column, "astronomical", 3, bits=True)
    return [("fields", fields, values), ("period starts", starts, ticks), ("month steps", months, moved)]


@pytest.mark.parametrize("kind", ["date32", "timestamp"])
@pytest.mark.parametrize("offset", [0, 8, 3, 1029])
def test_validity_comes_back_as_the_column_gave_it(kind, offset):
    array = arrow_column(kind, offset)
    column = frames.arrow_column(array)
    wanted = np.asarray(array.is_valid())
    for name, validity, values in passes(column):
        assert np.array_equal(bits_of(validity, N), wanted), name
        if offset % 8 == 0:  # the column's own buffer, not a copy
            assert np.shares_memory(validity, column.validity), name
        if values.dtype == np.int64:  # 0 under a null, as Arrow carries it, not NaT
            assert not (values[~wanted] != 0).any(), name
    # the mask, for pandas, says the same
    _, mask = frames.fields(column, "astronomical", ("year",))
    assert np.array_equal(~mask, wanted)


@pytest.mark.parametrize("nat_at", [5, PASS_BLOCK + 2, N - 2])
@pytest.mark.parametrize("offset", [0, 3])
def test_a_present_nat_is_missing_and_only_then_bits_are_written(nat_at, offset):
    array = arrow_column("timestamp", offset, nat_at)
    column = frames.arrow_column(array)
    wanted = np.asarray(array.is_valid())
    assert wanted[nat_at]
    wanted[nat_at] = False
    for name, validity, _ in passes(column):
        assert np.array_equal(bits_of(validity, N), wanted), (name, nat_at)
        assert not np.shares_memory(validity, column.validity), name


def test_numpy_columns_have_bits_only_where_a_value_is_missing():
    stamps = np.arange(N, dtype=np.int64).astype("datetime64[D]")
    column = frames.numpy_column(stamps)
    assert all(validity is None for _, validity, _ in passes(column))
    stamps[[e for e in EDGES]] = np.datetime64("NaT", "D")
    wanted = ~np.isnat(stamps)
    for name, validity, _ in passes(frames.numpy_column(stamps)):
        assert np.array_equal(bits_of(validity, N), wanted), name


def test_polars_results_are_null_where_the_slice_is():
    pl = pytest.importorskip("polars")
    pytest.importorskip("algorithms_c_polars")
    whole = pl.from_arrow(arrow_column("timestamp", 0).cast(pa.timestamp("us")))
    for offset in (0, 3, 8, PASS_BLOCK + 1):
        series = whole.slice(offset)
        nulls = series.is_null().to_list()
        for result in (series.jalali.year(), series.jalali.parts(), series.jalali.floor("month"),
                       series.jalali.add_months(1), series.dt.date().jalali.ceil("week")):
            assert result.is_null().to_list() == nulls, (offset, result.name)
        assert series.jalali.year().to_list() == whole.jalali.year().slice(offset).to_list()
