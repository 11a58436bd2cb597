"""Afghanistan's names of the solar months and weekdays, Dari ("fa-AF") and Pashto ("ps"): written
as CLDR's data for the Persian calendar spells them (ICU's, as oracle), read back for every day of
1300 to 1450, and read in the spellings that text typed on other keyboards has."""

import pytest

np = pytest.importorskip("numpy")
pd = pytest.importorskip("pandas")
ap = pytest.importorskip("algorithms_c_pandas")

CALENDARS = ["astronomical", "arithmetic"]
LOCALES = ["fa-AF", "ps"]
ICU_LOCALES = {"fa-AF": "fa_AF", "ps": "ps"}


def every_day(calendar):
    """Every day of the Jalali years 1300 to 1450, at a time of day that moves through the day."""
    first, last = ap.from_jalali([1300, 1451], [1, 1], [1, 1], calendar=calendar)
    days = np.arange(first, last, np.timedelta64(1, "D")).astype("datetime64[us]")
    minutes = (np.arange(len(days)) * 37) % (24 * 60)
    return pd.Series(days + minutes.astype("timedelta64[m]"))


@pytest.mark.parametrize("calendar", CALENDARS)
@pytest.mark.parametrize("locale", LOCALES)
@pytest.mark.parametrize("format,digits", [("%A %d %B %Y %I:%M %p", "persian"), ("%a %-d %b %Y %H:%M", "latin"),
                                           ("%B/%d/%Y %p %I:%M", "latin")])
def test_every_day_of_1300_to_1450_round_trips(locale, calendar, format, digits):
    stamps = every_day(calendar)
    accessor = getattr(stamps.jalali, calendar)
    text = accessor.strftime(format, locale, digits)
    back = ap.to_datetime(text, format=format, calendar=calendar)
    assert (back == stamps).all()
    # the names written are the locale's own, not Persian's or English's
    assert not text.str.contains("Farvardin|فروردین").any()


def icu_symbols(locale):
    icu = pytest.importorskip("icu")
    return icu, icu.DateFormatSymbols(icu.Locale(ICU_LOCALES[locale]), "persian")


@pytest.mark.parametrize("locale", LOCALES)
def test_the_names_are_cldrs(locale):
    """Every month's and weekday's name, whole and short, and the halves of the day, against
    ICU's CLDR data for the Persian calendar: 1 Farvardin 1404 was a Friday."""
    icu, symbols = icu_symbols(locale)
    form = icu.DateFormatSymbols.FORMAT
    first_days = ap.date_range((1404, 1, 1), periods=12, freq="month")
    stamps = pd.Series(first_days)
    assert stamps.jalali.month_name(locale).tolist() == list(symbols.getMonths(form, icu.DateFormatSymbols.WIDE))
    assert stamps.jalali.strftime("%b", locale).tolist() == list(
        symbols.getMonths(form, icu.DateFormatSymbols.ABBREVIATED))
    week = pd.Series(pd.date_range("2025-03-21", periods=7))  # Friday to Thursday
    # ICU counts from Sunday = 1; Friday is 6
    for directive, width in (("%A", icu.DateFormatSymbols.WIDE), ("%a", icu.DateFormatSymbols.ABBREVIATED)):
        days = symbols.getWeekdays(form, width)
        assert week.jalali.strftime(directive, locale).tolist() == [days[(5 + k) % 7 + 1] for k in range(7)]
    halves = pd.Series(pd.to_datetime(["2025-03-21 11:59", "2025-03-21 12:00"]))
    assert halves.jalali.strftime("%p", locale).tolist() == list(symbols.getAmPmStrings())


def variants(name):
    """Spellings of a name that text has: the Arabic yeh and kaf for the Persian ones (and the
    Persian yeh for an Arabic one), the hamza above left out or joined to its heh."""
    out = {name.replace("ی", "ي").replace("ک", "ك"), name.replace("ي", "ی")}
    if "\u0654" in name:
        out |= {name.replace("\u0654", ""), name.replace("ه\u0654", "ۀ")}
    return sorted(out - {name})


def written_names(locale):
    months = pd.Series(ap.date_range((1404, 1, 1), periods=12, freq="month")).jalali.month_name(locale).tolist()
    days = pd.Series(pd.date_range("2025-03-22", periods=7)).jalali.day_name(locale).tolist()  # from Saturday
    return months, days


@pytest.mark.parametrize("locale", LOCALES)
def test_spelling_variants_read_as_the_name(locale):
    months, days = written_names(locale)
    texts, want = [], []
    for month, name in enumerate(months, 1):
        for spelled in variants(name):
            texts.append(f"{days[0]} 1 {spelled} 1404")
            want.append(month)
    for day, name in enumerate(days):
        for spelled in variants(name):
            texts.append(f"{spelled} 1 {months[0]} 1404")
            want.append(1)
    read = ap.to_datetime(texts, format="%A %d %B %Y")
    assert read.jalali.month.tolist() == want
    assert len(texts) >= 5  # the variants exist: the test reads more than the names themselves


def test_dari_month_six_with_or_without_its_hamza():
    texts = ["5 سنبلهٔ 1403", "5 سنبله 1403", "5 سنبلۀ 1403", "۵ سنبله ۱۴۰۳"]
    assert ap.to_datetime(texts, format="%d %B %Y").strftime("%Y-%m-%d").tolist() == ["2024-08-26"] * 4


def test_names_of_one_locale_are_not_taken_for_another_month():
    """Every name of every locale reads as its own month, whatever the locale it is read with."""
    stamps = pd.Series(ap.date_range((1404, 1, 1), periods=12, freq="month"))
    for locale in ["en", "fa", "fa-AF", "ps"]:
        for directive in ("%B", "%b"):
            text = stamps.jalali.strftime(f"{directive} 1404", locale)
            assert ap.to_datetime(text, format="%B %Y").jalali.month.tolist() == list(range(1, 13)), locale


def test_an_unknown_locale_names_the_four():
    with pytest.raises(ValueError, match='"en", "fa", "fa-AF" or "ps"'):
        pd.Series(pd.to_datetime(["2025-03-21"])).jalali.strftime("%B", "fa-IR")


def test_polars_writes_and_reads_them():
    pl = pytest.importorskip("polars")
    pytest.importorskip("algorithms_c_polars")
    dates = pl.Series("d", ["2025-03-21", "2024-08-26"]).str.to_date()
    text = dates.jalali.strftime("%A %-d %B %Y", locale="ps", digits="persian")
    assert text.to_list() == ["جمعه ۱ وری ۱۴۰۴", "دونۍ ۵ وږی ۱۴۰۳"]
    assert text.to_frame().select(pl.col("d").jalali.to_date("%A %d %B %Y")).to_series().to_list() == dates.to_list()


def test_the_generated_table_is_what_icu_gives():
    """text/names.py, run with --check, finds text/names.hpp as ICU's data writes it."""
    pytest.importorskip("icu")
    import subprocess
    import sys
    from pathlib import Path

    script = Path(__file__).resolve().parent.parent / "text" / "names.py"
    if not script.exists():
        pytest.skip("the sources are not beside the tests")
    done = subprocess.run([sys.executable, str(script), "--check"], capture_output=True, text=True)
    assert done.returncode == 0, done.stdout


def test_duckdb_writes_and_reads_them():
    duckdb = pytest.importorskip("duckdb")
    acd = pytest.importorskip("algorithms_c_duckdb")
    con = duckdb.connect()
    acd.register(con)
    row = con.execute("SELECT jalali_strftime(DATE '2024-08-26', '%A %-d %B %Y', 'fa-AF', 'persian'), "
                      "jalali_strftime(DATE '2024-08-26', '%B', 'ps')").fetchone()
    assert row == ("دوشنبه ۵ سنبلهٔ ۱۴۰۳", "وږی")
