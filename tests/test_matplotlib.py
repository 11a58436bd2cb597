"""Jalali axes in matplotlib: the ticks against jdatetime's starts of periods in both calendars,
on date axes of every kind of datetime (with and without a zone) and on pandas' period axis; the
labels in every locale; and figures rendered to PNG with every glyph found."""

import datetime
import io
import warnings

import pytest

np = pytest.importorskip("numpy")
pd = pytest.importorskip("pandas")
matplotlib = pytest.importorskip("matplotlib")
matplotlib.use("Agg")
import matplotlib.dates as mdates  # noqa: E402
import matplotlib.font_manager as font_manager  # noqa: E402
import matplotlib.pyplot as plt  # noqa: E402

acm = pytest.importorskip("algorithms_c_matplotlib")
import reference  # noqa: E402
pytest.importorskip("algorithms_c_pandas")
jdatetime = pytest.importorskip("jdatetime")

CALENDARS = ["astronomical", "arithmetic"]


@pytest.fixture(autouse=True)
def close_figures():
    yield
    plt.close("all")


def drawn(ax):
    """The ticks of the x axis once drawn, as local wall-clock datetimes, and their labels."""
    ax.figure.canvas.draw()
    locs = ax.xaxis.get_majorticklocs()
    return locs, [t.get_text() for t in ax.get_xticklabels()]


def jalali_date(day, calendar):
    """The Jalali date of a Gregorian date by tests/reference.py, which counts the calendars' days
    year by year: an oracle that knows nothing of the locator's arithmetic."""
    jd = day.toordinal() + 1721424.5  # the julian day at which the date begins
    return (reference.jd_to_astronomical if calendar == "astronomical" else reference.jd_to_jalali)(jd)


def starts(first, last, freq, step=1, calendar="astronomical"):
    """The Gregorian dates on which Jalali periods begin between two Gregorian dates, a day at a
    time."""
    out = []
    day = first
    while day <= last:
        year, month, d = jalali_date(day, calendar)
        begins = {"year": month == 1 and d == 1 and year % step == 0,
                  "quarter": d == 1 and (month - 1) % (3 * step) == 0,
                  "month": d == 1 and (month - 1) % step == 0,
                  "week": day.weekday() == 5 and ((day - datetime.date(1970, 1, 3)).days // 7) % step == 0,
                  "day": True}[freq]
        if begins:
            out.append(day)
        day += datetime.timedelta(days=1)
    return out


def test_the_oracle_agrees_with_jdatetime():
    """Over 1300-1450 the astronomical calendar is jdatetime's."""
    for day in (datetime.date(1921, 3, 21) + datetime.timedelta(days=k) for k in range(0, 150 * 366, 13)):
        j = jdatetime.date.fromgregorian(date=day)
        assert jalali_date(day, "astronomical") == (j.year, j.month, j.day)


# span shown, the frequency and step it should choose
SPANS = [
    ("2015-03-01", "2025-03-01", "year", 1),
    ("1925-03-01", "2025-09-01", "year", 10),
    ("2024-01-01", "2025-12-31", "quarter", 1),
    ("2024-09-01", "2025-06-01", "month", 1),
    ("2025-03-01", "2025-04-20", "week", 1),
    ("2025-03-15", "2025-03-25", "day", 1),
]


@pytest.mark.parametrize("calendar", CALENDARS)
@pytest.mark.parametrize("first,last,freq,step", SPANS, ids=[s[2] + str(s[3]) for s in SPANS])
def test_ticks_are_the_starts_of_jalali_periods(first, last, freq, step, calendar):
    days = np.arange(first, last, dtype="datetime64[D]")
    fig, ax = plt.subplots()
    ax.plot(days, np.arange(len(days)))
    ax.set_xlim(days[0], days[-1])
    locator, _ = acm.jalali_axis(ax, calendar=calendar)
    locs, _ = drawn(ax)
    assert locator.chosen == (freq, step)
    want = starts(days[0].item(), days[-1].item(), freq, step, calendar)
    assert [d.date() for d in mdates.num2date(locs)] == want
    assert all(d.time() == datetime.time(0) for d in mdates.num2date(locs))


@pytest.mark.parametrize("calendar", CALENDARS)
@pytest.mark.parametrize("freq,interval", [("year", 1), ("year", 5), ("quarter", 1), ("month", 1), ("month", 2),
                                           ("week", 2), ("day", 1)])
def test_a_fixed_frequency_across_1403_and_1404(freq, interval, calendar):
    """The calendars part here: 1403 is a leap year in the astronomical calendar (1 Farvardin 1404
    is 2025-03-21), a common one in the arithmetic (2025-03-20)."""
    first, last = datetime.date(2024, 3, 1), datetime.date(2025, 5, 1) if freq != "year" else datetime.date(2045, 1, 1)
    fig, ax = plt.subplots()
    ax.plot([first, last], [0, 1])
    ax.set_xlim(first, last)
    acm.jalali_axis(ax, freq=freq, interval=interval, calendar=calendar)
    ax.xaxis.get_major_locator().maxticks = 1000
    locs, _ = drawn(ax)
    assert [d.date() for d in mdates.num2date(locs)] == starts(first, last, freq, interval, calendar)


@pytest.mark.parametrize("kind", ["pandas", "datetime", "pytz"])
@pytest.mark.parametrize("zone", ["Asia/Tehran", "America/New_York", "Asia/Kabul"])
def test_a_zoned_axis_ticks_local_midnights(zone, kind):
    """The periods begin at midnight in the axis's zone, whatever instant that is in UTC; Tehran
    moved its clocks at midnight of 1 Farvardin until 1401, so that the day began at 01:00."""
    index = pd.date_range("2018-09-01", "2021-06-01", freq="6h", tz=zone)
    fig, ax = plt.subplots()
    if kind == "pandas":
        ax.plot(index, np.arange(len(index)))
    elif kind == "datetime":
        ax.plot(list(index.to_pydatetime()), np.arange(len(index)))
    else:
        pytz = pytest.importorskip("pytz")
        ax.plot([pytz.timezone(zone).localize(t.replace(tzinfo=None)) for t in index.to_pydatetime()][::40],
                np.arange(len(index))[::40])
    acm.jalali_axis(ax, freq="month", interval=3)
    locs, labels = drawn(ax)
    instants = pd.to_datetime(np.round(locs * 86400), unit="s", utc=True).tz_convert(zone)
    local_days = [t.date() for t in instants]
    assert local_days == starts(local_days[0], local_days[-1], "quarter")
    # each tick is the first instant of its local day
    assert all((t - pd.Timedelta(seconds=1)).date() < t.date() for t in instants)
    assert all(t.hour in (0, 1) and t.minute == 0 for t in instants)


def test_ticks_follow_zoom_and_pan():
    days = np.arange("2015-03-01", "2025-03-01", dtype="datetime64[D]")
    fig, ax = plt.subplots()
    ax.plot(days, np.arange(len(days)))
    locator, _ = acm.jalali_axis(ax)
    drawn(ax)
    assert locator.chosen[0] == "year"
    ax.set_xlim(np.datetime64("2024-03-10"), np.datetime64("2024-03-30"))  # zoomed
    locs, labels = drawn(ax)
    assert locator.chosen[0] == "day" and "Far" in labels
    ax.set_xlim(np.datetime64("2024-04-10"), np.datetime64("2024-04-30"))  # panned
    locs, _ = drawn(ax)
    assert mdates.num2date(locs[0]).date() >= datetime.date(2024, 4, 10)


@pytest.mark.parametrize("how", ["series", "frame", "x_compat", "axes"])
@pytest.mark.parametrize("freq", ["D", "MS", "h"])
def test_axes_drawn_by_pandas(freq, how):
    """Series.plot draws a regular series on its own axis of periods, whose numbers are the
    periods' ordinals: the ticks are placed by them, at the same instants."""
    periods = {"D": 800, "MS": 60, "h": 24 * 40}[freq]
    s = pd.Series(np.arange(periods), index=pd.date_range("2023-11-05", periods=periods, freq=freq))
    fig, ax = plt.subplots()
    if how == "series":
        s.plot(ax=ax)
    elif how == "frame":
        s.to_frame("sales").plot(ax=ax)
    elif how == "x_compat":
        s.plot(ax=ax, x_compat=True)
    else:
        ax.plot(s.index, s)
    acm.jalali_axis(ax, freq="month", interval=1)
    locs, labels = drawn(ax)
    view = ax.get_xlim()
    if getattr(ax.xaxis, "freq", None) is not None:  # the period axis: back to instants
        from algorithms_c_matplotlib import _PeriodScale
        stamps = _PeriodScale(ax.xaxis.freq).to_local(locs)
        ends = _PeriodScale(ax.xaxis.freq).to_local(view)
    else:
        stamps = np.array([d.replace(tzinfo=None) for d in mdates.num2date(locs)], dtype="datetime64[us]")
        ends = np.array([d.replace(tzinfo=None) for d in mdates.num2date(view)], dtype="datetime64[us]")
    first, last = (e.astype("datetime64[D]").item() for e in ends)
    assert [t.astype("datetime64[D]").item() for t in stamps] == starts(first + datetime.timedelta(days=1), last,
                                                                         "month")
    assert (stamps == stamps.astype("datetime64[D]")).all()
    assert not any(t.get_text() for t in ax.get_xticklabels(minor=True))  # pandas' Gregorian ones gone


def test_the_examples_of_the_modules_docstrings():
    import doctest

    tests = doctest.DocTestFinder().find(acm)
    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS | doctest.NORMALIZE_WHITESPACE)
    for test in tests:
        runner.run(test)
    assert sum(len(t.examples) for t in tests) >= 8 and runner.failures == 0


def test_hours_on_pandas_period_axis():
    """Zoomed below a few days, an hourly series drawn by pandas is ticked at whole hours, and
    its midnights are labelled with the Jalali day."""
    s = pd.Series(np.arange(24 * 30.0), index=pd.date_range("2025-03-10", periods=24 * 30, freq="h"))
    fig, ax = plt.subplots()
    s.plot(ax=ax)
    first = ax.get_xlim()[0]
    ax.set_xlim(first + 24 * 10, first + 24 * 12)  # the axis's numbers are hours: 20 to 22 March
    locator, _ = acm.jalali_axis(ax)
    locs, labels = drawn(ax)
    from algorithms_c_matplotlib import _PeriodScale
    stamps = _PeriodScale(ax.xaxis.freq).to_local(locs)
    assert locator.chosen == ("time", 1) and len(stamps) >= 3
    assert (stamps == stamps.astype("datetime64[h]")).all()
    midnight = np.datetime64("2025-03-21T00:00", "us")
    assert midnight in stamps and labels[list(stamps).index(midnight)] == "1 Far"


# Labels --------------------------------------------------------------------------------------

LABELS = [
    # locale, digits, view, labels, offset
    ("en", "latin", ("2024-12-15", "2025-06-05"), ["Dey", "Bah", "Esf", "1404", "Ord", "Kho"], "1404"),
    ("fa", "persian", ("2024-12-15", "2025-06-05"), ["دی", "بهمن", "اسفند", "۱۴۰۴", "اردیبهشت", "خرداد"], "۱۴۰۴"),
    ("fa-AF", "latin", ("2024-12-15", "2025-06-05"), ["جدی", "دلو", "حوت", "1404", "ثور", "جوزا"], "1404"),
    ("ps", "latin", ("2024-12-15", "2025-06-05"), ["مرغومی", "سلواغه", "کب", "1404", "غویی", "غبرگولی"], "1404"),
    ("en", "latin", ("2025-03-16", "2025-03-24"), ["26", "27", "28", "29", "30", "Far", "2", "3", "4"], "Farvardin 1404"),
    ("fa", "latin", ("2025-03-16", "2025-03-24"), ["26", "27", "28", "29", "30", "فروردین", "2", "3", "4"],
     "فروردین 1404"),
    ("en", "latin", ("2015-01-01", "2025-12-01"), [str(y) for y in range(1394, 1405)], ""),
    ("en", "latin", ("2025-03-20T18:00", "2025-03-21T06:00"),
     ["18:00", "20:00", "22:00", "1 Far", "02:00", "04:00", "06:00"], "1 Farvardin 1404"),
]


@pytest.mark.parametrize("locale,digits,view,labels,offset", LABELS)
def test_concise_labels(locale, digits, view, labels, offset):
    fig, ax = plt.subplots()
    ax.plot(np.array(view, dtype="datetime64[m]"), [0, 1])
    ax.set_xlim(*np.array(view, dtype="datetime64[m]"))
    _, formatter = acm.jalali_axis(ax, locale=locale, digits=digits)
    _, written = drawn(ax)
    # before matplotlib 3.11 the labels go to it shaped, and in the order they are shown
    shaped = formatter.shape or (lambda text: text)
    assert written == [shaped(label) for label in labels]
    assert ax.xaxis.get_offset_text().get_text() == shaped(offset)


def test_a_format_of_the_callers_and_the_cursor_text():
    fig, ax = plt.subplots()
    ax.plot(np.array(["2025-03-15", "2025-04-15"], dtype="datetime64[D]"), [0, 1])
    _, formatter = acm.jalali_axis(ax, fmt="%a %-d %b", freq="week")
    _, labels = drawn(ax)
    assert labels[:2] == ["Sat 25 Esf", "Sat 2 Far"]  # 1 Farvardin 1404 was a Friday
    assert formatter.format_data_short(mdates.date2num(datetime.datetime(2025, 3, 21, 8, 5))) == \
        "1404/01/01 08:05:00"


@pytest.mark.parametrize("bad,error", [
    (dict(locale="de"), ValueError), (dict(digits="arabic"), ValueError), (dict(calendar="lunar"), ValueError),
    (dict(freq="decade"), ValueError), (dict(interval=0), ValueError), (dict(axis="z"), ValueError),
    (dict(fmt=5), TypeError), (dict(tz="Mars/Olympus"), ValueError),
])
def test_refused_arguments(bad, error):
    fig, ax = plt.subplots()
    with pytest.raises(error):
        acm.jalali_axis(ax, **bad)


def test_no_python_loop_over_the_rows():
    """The ticks cost the same whatever the rows plotted: a million rows are never looked at."""
    many = np.arange("1990-01-01", "2025-01-01", dtype="datetime64[m]")[:1_000_000]
    fig, ax = plt.subplots()
    ax.plot(many[[0, -1]], [0, 1])
    locator, formatter = acm.jalali_axis(ax)
    calls = []
    original = acm._frames.strftime

    def counted(column, *args, **kwargs):
        calls.append(len(column.values))
        return original(column, *args, **kwargs)

    acm._frames.strftime = counted
    try:
        drawn(ax)
    finally:
        acm._frames.strftime = original
    assert calls and max(calls) <= 20


# Rendering -----------------------------------------------------------------------------------

def font_for(text):
    """A family that has every glyph of `text`, registered with matplotlib, or None."""
    from matplotlib.ft2font import FT2Font

    candidates = [f.fname for f in font_manager.fontManager.ttflist]
    candidates += font_manager.findSystemFonts()
    for path in dict.fromkeys(p for p in candidates if "Arab" in p or "DejaVuSans.ttf" in p):
        try:
            font = FT2Font(path)
        except Exception:
            continue
        charmap = font.get_charmap()
        if all(ord(c) in charmap for c in set(text) if not c.isspace() and c != "\u200c"):
            font_manager.fontManager.addfont(path)
            return font_manager.FontProperties(fname=path).get_name()
    return None


@pytest.mark.parametrize("locale,digits", [("en", "latin"), ("fa", "persian"), ("fa-AF", "persian"),
                                           ("ps", "latin")])
def test_a_figure_renders_to_png_with_every_glyph(locale, digits):
    days = np.arange("2024-03-01", "2025-09-01", dtype="datetime64[D]")
    names = pd.Series(days[::27]).jalali.strftime("%B %A %p", locale).tolist()
    family = font_for("".join(names) + "۰۱۲۳۴۵۶۷۸۹")
    if family is None:
        pytest.skip(f"no font on this machine has every letter of {locale!r} (Debian: fonts-noto-core)")
    with matplotlib.rc_context({"font.family": ["DejaVu Sans", family]}):
        fig, ax = plt.subplots(figsize=(6, 3))
        ax.plot(days, np.sin(np.arange(len(days)) / 30))
        acm.jalali_axis(ax, locale=locale, digits=digits)
        buffer = io.BytesIO()
        with warnings.catch_warnings():
            warnings.simplefilter("error")  # a missing glyph warns
            fig.savefig(buffer, format="png")
    assert buffer.getvalue()[:8] == b"\x89PNG\r\n\x1a\n"


def test_persian_labels_are_given_in_logical_order_where_matplotlib_shapes_them():
    """matplotlib 3.11 lays text out with libraqm, which joins Arabic script and orders it right to
    left: a label must then be the logical text, or it would be reversed twice."""
    from matplotlib import ft2font

    fig, ax = plt.subplots()
    _, formatter = acm.jalali_axis(ax, locale="fa")
    if hasattr(ft2font, "__libraqm_version__"):
        assert formatter.shape is None
    else:
        pytest.importorskip("arabic_reshaper")
        shaped = formatter.shape("فروردین")
        assert shaped != "فروردین" and "\ufe8e" <= max(shaped)  # presentation forms, joined


def test_without_libraqm_the_labels_are_shaped(monkeypatch):
    """Where matplotlib lays text out without libraqm (before 3.11), the formatter joins the
    letters itself (presentation forms) and orders them as shown, right to left."""
    pytest.importorskip("arabic_reshaper")
    pytest.importorskip("bidi")
    from matplotlib import ft2font

    monkeypatch.delattr(ft2font, "__libraqm_version__", raising=False)
    formatter = acm.JalaliFormatter(locale="fa", fmt="%B")
    shaped = formatter.shape("فروردین")
    assert all("\ufb50" <= c <= "\ufeff" for c in shaped)  # every letter in a joined form
    # shown right to left: the final noon (U+FEE6) first, the initial feh (U+FED3) last
    assert shaped[0] == "\ufee6" and shaped[-1] == "\ufed3"
    fig, ax = plt.subplots()
    ax.plot(np.array(["2025-03-21", "2025-06-01"], dtype="datetime64[D]"), [0, 1])
    ax.xaxis.set_major_formatter(formatter)
    assert formatter.format_ticks([mdates.date2num(datetime.datetime(2025, 3, 21))]) == [shaped]

