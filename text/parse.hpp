#ifndef ALGORITHMS_C_TEXT_PARSE_HPP
#define ALGORITHMS_C_TEXT_PARSE_HPP

// Jalali dates and times read from UTF-8 text, in the manner of
// std::from_chars: no locale of the C library, no allocation, and every byte
// checked against the end of the text before it is read, so that no input
// reads outside it or loops without end.
//
// Digits may be ASCII, Persian (U+06F0 to U+06F9) or Arabic-Indic (U+0660 to
// U+0669), mixed as they come.  Names of months and weekdays are English,
// whole or of three letters, in any case, or Persian, Dari or Pashto, with the
// Arabic yeh and kaf taken for the Persian yeh and keheh (and the other way
// round), Dari's hamza above present or absent, and a zero-width non-joiner
// where Persian writes one (as in the name of Sunday) present, absent or a space.
//
// Text without a format (read_default) is a date YYYY/MM/DD, YYYY-MM-DD or
// YYYYMMDD, the month and the day with or without a leading zero, then
// optionally a time HH:MM[:SS[.fraction]] after spaces or a "T".  Text with a
// format (read_formatted) follows the directives of pattern.hpp; a space in
// the format stands for any run of spaces.  Either way spaces around the text
// are ignored, and text of spaces alone is empty: a missing value.  The
// spaces are ASCII white space, the no-break space, and the invisible marks of
// direction (see is_space).

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "names.hpp"
#include "pattern.hpp"

namespace text {

// What was read, before the calendar has checked the date: the year, and the
// month and day or the day of the year (1 to 366), each in its range; the
// time of day; and an offset from UTC, in seconds east, where the text gave one.
struct reading {
    std::int64_t year = 0;
    std::int32_t month = 1, day = 1, day_of_year = 0;  // day_of_year 0: by month and day
    std::int32_t hour = 0, minute = 0, second = 0, nanosecond = 0;
    bool zoned = false;
    std::int32_t offset = 0;
};

enum class verdict {
    ok,
    empty,       // nothing but spaces: a missing value
    mismatch,    // not of the form
    bad_month,   // a month outside 1 to 12
    bad_day,     // a day outside 1 to 31, or a day of the year outside 1 to 366
    bad_time,    // an hour, minute, second or offset outside its range
};

// The readers' spaces, as code points: ASCII white space, the no-break space
// (U+00A0), and the invisible marks of direction that editors of
// right-to-left text put around a date (U+061C, U+200E, U+200F, U+202A to
// U+202E, U+2066 to U+2069).  Spaces around a text are ignored, a space in a
// format stands for any run of them, and a text of spaces alone is empty.
constexpr bool is_space(std::uint32_t u) noexcept
{
    return u == ' ' || (u >= '\t' && u <= '\r')
        || (u >= 0x80
            && (u - 0x200E <= 0x2069 - 0x200E  // the marks: U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069
                    ? u <= 0x200F || (u >= 0x202A && u <= 0x202E) || u >= 0x2066
                    : u == 0xA0 || u == 0x061C));
}

namespace detail {

// The bytes not yet read.
struct cursor {
    const unsigned char *at, *end;

    constexpr bool done() const noexcept { return at == end; }
    constexpr std::size_t left() const noexcept { return static_cast<std::size_t>(end - at); }
};

// A digit in any of the three scripts, which it passes: its value, or -1 and
// the cursor unmoved.
constexpr int digit(cursor &c) noexcept
{
    if (c.done())
        return -1;
    const unsigned b = *c.at;
    if (b - '0' < 10) {
        ++c.at;
        return static_cast<int>(b - '0');
    }
    if ((b == 0xDB || b == 0xD9) && c.left() >= 2) {
        const unsigned zero = b == 0xDB ? 0xB0 : 0xA0;  // U+06F0, U+0660
        const unsigned n = c.at[1];
        if (n - zero < 10) {
            c.at += 2;
            return static_cast<int>(n - zero);
        }
    }
    return -1;
}

// From `least` to `most` digits (at most 18): false, the cursor unmoved, where
// fewer than `least` are there.
constexpr bool number(cursor &c, int least, int most, std::int64_t &value) noexcept
{
    const cursor start = c;
    std::int64_t v = 0;
    int count = 0;
    for (int d = 0; count < most && (d = digit(c)) >= 0; ++count)
        v = 10 * v + d;
    if (count < least) {
        c = start;
        return false;
    }
    value = v;
    return true;
}

constexpr bool number(cursor &c, int least, int most, std::int32_t &value) noexcept
{
    std::int64_t v = 0;
    if (!number(c, least, most, v))
        return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

// The bytes of a space at `at`, with `left` bytes from there on (see
// is_space): 1 to 3, or 0.
constexpr std::size_t space_at(const unsigned char *at, std::size_t left) noexcept
{
    if (left == 0)
        return 0;
    const unsigned b = at[0];
    if (b < 0x80)
        return is_space(b) ? 1 : 0;
    // the first bytes of the spaces beyond ASCII (U+00A0, U+061C, U+200E to U+2069), so that any
    // other letter is passed at once (tests/fuzz_text.cpp holds this to is_space over every code point)
    if (b != 0xC2 && b != 0xD8 && b != 0xE2)
        return 0;
    // then the character, of two bytes (U+0080 to U+07FF) or three (U+0800 to U+FFFF)
    if (b >= 0xC2 && b < 0xE0 && left >= 2 && (at[1] & 0xC0) == 0x80)
        return is_space((b & 0x1F) << 6 | (at[1] & 0x3F)) ? 2 : 0;
    if (b >= 0xE0 && b < 0xF0 && left >= 3 && (at[1] & 0xC0) == 0x80 && (at[2] & 0xC0) == 0x80) {
        const std::uint32_t u = (b & 0x0F) << 12 | (at[1] & 0x3F) << 6 | (at[2] & 0x3F);
        return u >= 0x800 && is_space(u) ? 3 : 0;  // (an overlong form is no space)
    }
    return 0;
}

// A space, which it passes.
constexpr bool space(cursor &c) noexcept
{
    if (c.done())
        return false;
    const unsigned char b = *c.at;
    if (b < 0x80) {
        c.at += is_space(b);
        return is_space(b);
    }
    const std::size_t n = space_at(c.at, c.left());
    c.at += n;
    return n != 0;
}

constexpr int spaces(cursor &c) noexcept
{
    int count = 0;
    while (space(c))
        ++count;
    return count;
}

// The text without the spaces around it.
constexpr cursor trimmed(cursor c) noexcept
{
    spaces(c);
    for (;;) {  // from the end: ASCII white space, or a space of two or three bytes
        if (c.done())
            return c;
        const unsigned char b = c.end[-1];
        if (b < 0x80) {
            if (!is_space(b))
                return c;
            --c.end;
            continue;
        }
        // the last byte of the no-break space is the Arabic-Indic zero's (D9 A0): the whole
        // sequence is checked
        if (c.left() >= 2 && space_at(c.end - 2, 2) == 2)
            c.end -= 2;
        else if (c.left() >= 3 && space_at(c.end - 3, 3) == 3)
            c.end -= 3;
        else
            return c;
    }
}

constexpr bool literal(cursor &c, char expected) noexcept
{
    if (c.done() || *c.at != static_cast<unsigned char>(expected))
        return false;
    ++c.at;
    return true;
}

constexpr unsigned char lower(unsigned char b) noexcept
{
    return b >= 'A' && b <= 'Z' ? static_cast<unsigned char>(b + ('a' - 'A')) : b;
}

// The two bytes of a Persian letter that the text may hold in its Arabic
// form, as the Persian form's: yeh (U+064A, and alef maksura U+0649) as the
// Persian yeh U+06CC, kaf (U+0643) as keheh U+06A9.  0 for any other pair.
constexpr unsigned persian_form(unsigned char first, unsigned char second) noexcept
{
    if (first != 0xD9)
        return 0;
    if (second == 0x8A || second == 0x89)
        return 0xDB8C;
    if (second == 0x83)
        return 0xDAA9;
    return 0;
}

// Whether the text goes on with `name`, which it then passes: English letters
// in any case, Persian letters in either form, a zero-width non-joiner of
// the name present, absent or a space, a hamza above present, absent or
// joined to its heh (U+06C0).
constexpr bool name(cursor &c, std::string_view expected) noexcept
{
    cursor at = c;
    std::size_t i = 0;
    while (i < expected.size()) {
        const auto e = static_cast<unsigned char>(expected[i]);
        // U+200C, E2 80 8C
        if (e == 0xE2 && expected.size() - i >= 3 && static_cast<unsigned char>(expected[i + 1]) == 0x80
            && static_cast<unsigned char>(expected[i + 2]) == 0x8C) {
            if (at.left() >= 3 && at.at[0] == 0xE2 && at.at[1] == 0x80 && at.at[2] == 0x8C)
                at.at += 3;
            else if (!at.done() && *at.at == ' ')
                ++at.at;
            i += 3;
            continue;
        }
        if (e == 0xD9 && expected.size() - i >= 2 && static_cast<unsigned char>(expected[i + 1]) == 0x94) {
            // the hamza above (U+0654) of Dari's "سنبلهٔ": present or absent
            if (at.left() >= 2 && at.at[0] == 0xD9 && at.at[1] == 0x94)
                at.at += 2;
            i += 2;
            continue;
        }
        if (at.done())
            return false;
        if (e == 0xD9 && expected.size() - i >= 4 && static_cast<unsigned char>(expected[i + 1]) == 0x87
            && static_cast<unsigned char>(expected[i + 2]) == 0xD9 && static_cast<unsigned char>(expected[i + 3]) == 0x94
            && at.left() >= 2 && at.at[0] == 0xDB && at.at[1] == 0x80) {
            at.at += 2;  // heh and hamza above written as one letter, U+06C0
            i += 4;
            continue;
        }
        if (e >= 0x80 && expected.size() - i >= 2 && at.left() >= 2) {  // the two bytes of a Persian letter
            const unsigned spelled = e << 8 | static_cast<unsigned char>(expected[i + 1]);
            // a name spelled with an Arabic letter (Pashto's weekdays, with the Arabic yeh) reads either form
            const unsigned canonical = persian_form(e, static_cast<unsigned char>(expected[i + 1]));
            const unsigned want = canonical != 0 ? canonical : spelled;
            const unsigned got = at.at[0] << 8 | at.at[1];
            if (got != want && persian_form(at.at[0], at.at[1]) != want)
                return false;
            at.at += 2;
            i += 2;
            continue;
        }
        if (lower(*at.at) != lower(e))
            return false;
        ++at.at;
        ++i;
    }
    c = at;
    return true;
}

// The first letter of a text or a name as name() compares it: an ASCII
// letter in lower case, a two-byte letter in its Persian form, else its
// first byte (no name begins with a zero-width non-joiner or a hamza).
constexpr unsigned first_letter(unsigned char first, unsigned char second, std::size_t left) noexcept
{
    if (left == 0)
        return 0;
    if (first < 0x80 || left < 2)
        return lower(first);
    const unsigned persian = persian_form(first, second);
    return persian != 0 ? persian : (static_cast<unsigned>(first) << 8 | second);
}

constexpr unsigned first_letter(const cursor &c) noexcept
{
    return first_letter(c.left() > 0 ? c.at[0] : 0, c.left() > 1 ? c.at[1] : 0, c.left());
}

constexpr unsigned first_letter(std::string_view name) noexcept
{
    return first_letter(name.size() > 0 ? static_cast<unsigned char>(name[0]) : 0,
                        name.size() > 1 ? static_cast<unsigned char>(name[1]) : 0, name.size());
}

// The longest of `names` (in every locale, whole and short) that the text
// goes on with, which it passes: its index, or -1.  Only the names that
// begin with the text's first letter are tried, each once.
template <std::size_t N>
constexpr int one_of(cursor &c, const std::string_view (&whole)[locale_count][N],
                     const std::string_view (&short_)[locale_count][N]) noexcept
{
    int found = -1;
    cursor best = c;
    const unsigned letter = first_letter(c);
    for (const auto *names : {&whole, &short_})
        for (int l = 0; l < locale_count; ++l)
            for (std::size_t k = 0; k < N; ++k) {
                const std::string_view candidate = (*names)[l][k];
                if (first_letter(candidate) != letter || (names == &short_ && candidate == whole[l][k]))
                    continue;  // a short name that is the whole one was tried as such
                cursor at = c;
                if (name(at, candidate) && at.at > best.at) {
                    best = at;
                    found = static_cast<int>(k);
                }
            }
    c = best;
    return found;
}

// Whether the text goes on with the UTF-8 bytes `expected`, which it then passes.
constexpr bool bytes(cursor &c, std::string_view expected) noexcept
{
    if (c.left() < expected.size())
        return false;
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (c.at[i] != static_cast<unsigned char>(expected[i]))
            return false;
    c.at += expected.size();
    return true;
}

// Spaces and zero-width non-joiners (U+200C), as many as there are, between
// the words of a name.
constexpr void joiners(cursor &c) noexcept
{
    while (space(c) || bytes(c, "\u200C")) {
    }
}

// Before noon (0) or after noon (1), which it passes, or -1: AM or PM, a.m. or
// p.m., in any case and the dots optional; in Persian, قبل از ظهر and بعد از ظهر,
// their words apart by spaces, a zero-width non-joiner or nothing, or short,
// ق.ظ and ب.ظ, the dots optional.
constexpr int half_of_day(cursor &c) noexcept
{
    cursor at = c;
    if (!at.done() && (lower(*at.at) == 'a' || lower(*at.at) == 'p')) {
        const int half = lower(*at.at) == 'p';
        ++at.at;
        literal(at, '.');
        if (!at.done() && lower(*at.at) == 'm') {
            ++at.at;
            literal(at, '.');
            c = at;
            return half;
        }
        return -1;
    }
    constexpr std::string_view before = "\u0642\u0628\u0644", after = "\u0628\u0639\u062F";  // قبل, بعد
    constexpr std::string_view qaf = "\u0642", beh = "\u0628", zah = "\u0638";                   // ق, ب, ظ
    for (int half = 0; half < 2; ++half) {
        at = c;
        if (bytes(at, half == 0 ? before : after)) {
            joiners(at);
            if (!bytes(at, "\u0627\u0632"))  // از
                return -1;
            joiners(at);
            if (!bytes(at, "\u0638\u0647\u0631"))  // ظهر
                return -1;
            c = at;
            return half;
        }
        at = c;
        if (bytes(at, half == 0 ? qaf : beh)) {
            literal(at, '.');
            if (!bytes(at, zah))
                return -1;
            literal(at, '.');
            c = at;
            return half;
        }
    }
    return -1;
}

// [+-]HH[:]MM[[:]SS] or Z: seconds east of UTC.
constexpr bool utc_offset(cursor &c, std::int32_t &offset) noexcept
{
    if (literal(c, 'Z') || literal(c, 'z')) {
        offset = 0;
        return true;
    }
    if (c.done() || (*c.at != '+' && *c.at != '-'))
        return false;
    const bool west = *c.at++ == '-';
    std::int32_t hours = 0, minutes = 0, seconds = 0;
    if (!number(c, 2, 2, hours))
        return false;
    const bool colon = literal(c, ':');
    if (!number(c, 2, 2, minutes))
        return false;
    cursor more = c;
    if ((!colon || literal(more, ':')) && number(more, 2, 2, seconds))
        c = more;
    if (minutes > 59 || seconds > 59)
        return false;
    const std::int32_t total = hours * 3600 + minutes * 60 + seconds;
    offset = west ? -total : total;
    return true;
}

// A fraction of a second of 1 to 9 digits, as nanoseconds.
constexpr bool fraction(cursor &c, std::int32_t &nanosecond) noexcept
{
    std::int64_t value = 0;
    int count = 0;
    for (int d = 0; count < 9 && (d = digit(c)) >= 0; ++count)
        value = 10 * value + d;
    for (int scale = count; scale < 9; ++scale)
        value *= 10;
    nanosecond = static_cast<std::int32_t>(value);
    return count > 0;
}

// A time HH:MM[:SS[.fraction]]: false where the text does not go on so.
constexpr bool time_of_day(cursor &c, reading &r) noexcept
{
    if (!number(c, 1, 2, r.hour) || !literal(c, ':') || !number(c, 2, 2, r.minute))
        return false;
    if (!literal(c, ':'))
        return true;
    if (!number(c, 2, 2, r.second))
        return false;
    return !literal(c, '.') || fraction(c, r.nanosecond);
}

constexpr verdict checked(const reading &r) noexcept
{
    if (r.month < 1 || r.month > 12)
        return verdict::bad_month;
    if (r.day < 1 || r.day > 31 || r.day_of_year < 0 || r.day_of_year > 366)
        return verdict::bad_day;
    if (r.hour > 23 || r.minute > 59 || r.second > 59 || r.offset <= -86400 || r.offset >= 86400)
        return verdict::bad_time;
    return verdict::ok;
}

// The date of exactly ten ASCII bytes YYYY?MM?DD, `separator` at ? (any of
// '/' and '-' for 0): the common case, read eight bytes and two at a time,
// with no branch on the bytes.  False, and nothing read, for any other text.
inline bool ascii_date(const cursor &c, char separator, reading &r) noexcept
{
    if (c.left() != 10)
        return false;
    const unsigned char *b = c.at;
    const unsigned char s = b[4];
    const bool separated = (separator == 0 ? (s == '/') | (s == '-') : s == static_cast<unsigned char>(separator))
                         & (b[7] == s);
    // the ten bytes as two words, byte k of the text byte k of the word; the separators' places
    // made '0'
    std::uint64_t word = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::memcpy(&word, b, 8);  // one load
#else
    for (int k = 7; k >= 0; --k)
        word = word << 8 | b[k];
#endif
    const std::uint64_t places = 0x00FFFF00FFFFFFFFu;  // bytes 0-3, 5 and 6
    const std::uint64_t low = (word & places) | (0x3030303030303030u & ~places);
    const std::uint32_t tail = static_cast<std::uint32_t>(b[9]) << 8 | b[8];
    // a byte is a digit when its high half is 3 and its low half at most 9: then
    // adding 6 keeps it below 0x40
    const std::uint64_t digits = (low & 0xF0F0F0F0F0F0F0F0u) | ((low + 0x0606060606060606u) & 0xF0F0F0F0F0F0F0F0u) >> 4;
    const std::uint32_t tail_digits = (tail & 0xF0F0u) | ((tail + 0x0606u) & 0xF0F0u) >> 4;
    if (!separated || digits != 0x3333333333333333u || tail_digits != 0x3333u)
        return false;
    const std::uint64_t v = low - 0x3030303030303030u;  // each byte its digit
    const auto d = [v](int k) { return static_cast<std::int32_t>(v >> (8 * k) & 0xFF); };
    r.year = ((d(0) * 10 + d(1)) * 10 + d(2)) * 10 + d(3);
    r.month = d(5) * 10 + d(6);
    r.day = static_cast<std::int32_t>((tail & 0xFF) - '0') * 10 + static_cast<std::int32_t>((tail >> 8) - '0');
    return true;
}

}  // namespace detail

// Text without a format.
inline verdict read_default(const char *text, std::size_t length, reading &r) noexcept
{
    using namespace detail;
    const auto *bytes = reinterpret_cast<const unsigned char *>(text);
    cursor c = trimmed({bytes, bytes + length});
    if (c.done())
        return verdict::empty;
    r = reading{};
    if (ascii_date(c, 0, r))
        return checked(r);
    // a run of digits: a year of four, then a separator; or eight, the date at once
    const cursor date = c;
    std::int64_t run = 0;
    if (number(c, 8, 8, run)) {
        r.year = run / 10000;
        r.month = static_cast<std::int32_t>(run / 100 % 100);
        r.day = static_cast<std::int32_t>(run % 100);
    } else {
        c = date;
        if (!number(c, 4, 4, r.year) || c.done() || (*c.at != '/' && *c.at != '-'))
            return verdict::mismatch;
        const char separator = static_cast<char>(*c.at++);
        if (!number(c, 1, 2, r.month) || !literal(c, separator) || !number(c, 1, 2, r.day))
            return verdict::mismatch;
    }
    if (!c.done() && ((!literal(c, 'T') && spaces(c) == 0) || !time_of_day(c, r) || !c.done()))
        return verdict::mismatch;
    return checked(r);
}

// Text by the format `p`.
inline verdict read_formatted(const pattern &p, const char *text, std::size_t length, reading &r) noexcept
{
    using namespace detail;
    const auto *bytes = reinterpret_cast<const unsigned char *>(text);
    cursor c = trimmed({bytes, bytes + length});
    if (c.done())
        return verdict::empty;
    r = reading{};
    if (p.date_separator != 0 && ascii_date(c, p.date_separator, r))
        return checked(r);
    std::int32_t hour_of_12 = -1, meridiem = -1;
    for (std::size_t i = 0; i < p.count; ++i) {
        const piece &k = p.pieces[i];
        switch (k.what) {
        case directive::literal: {
            const std::string_view expected = p.literal(k);
            for (std::size_t j = 0; j < expected.size();) {
                const auto e = static_cast<unsigned char>(expected[j]);
                if (e < 0x80 && is_space(e)) {  // any run of spaces, or none (an ASCII space in the format)
                    while (j < expected.size() && static_cast<unsigned char>(expected[j]) < 0x80
                           && is_space(static_cast<unsigned char>(expected[j])))
                        ++j;
                    spaces(c);
                    continue;
                }
                if (c.done() || lower(*c.at) != lower(e))
                    return verdict::mismatch;
                ++c.at;
                ++j;
            }
            break;
        }
        case directive::year: {
            // 1 to 4 digits and a sign, as %Y writes every year from -9999 to 9999 (jdatetime
            // writes years unpadded; it reads four digits only)
            const bool negative = literal(c, '-');
            if (!number(c, 1, 4, r.year))
                return verdict::mismatch;
            r.year = negative ? -r.year : r.year;
            break;
        }
        case directive::year_of_century: {
            std::int32_t y = 0;
            if (!number(c, 2, 2, y))
                return verdict::mismatch;
            r.year = y < 69 ? 1400 + y : 1300 + y;  // as jdatetime reads them
            break;
        }
        case directive::month:
            if (!number(c, 1, 2, r.month))
                return verdict::mismatch;
            break;
        case directive::day:
            if (!number(c, 1, 2, r.day))
                return verdict::mismatch;
            break;
        case directive::day_of_year:
            if (!number(c, 1, 3, r.day_of_year))
                return verdict::mismatch;
            if (r.day_of_year == 0)
                return verdict::bad_day;
            break;
        case directive::month_name:
        case directive::month_abbreviation: {
            const int month = one_of(c, month_names, month_abbreviations);
            if (month < 0)
                return verdict::mismatch;
            r.month = month + 1;
            break;
        }
        case directive::weekday_name:
        case directive::weekday_abbreviation:
            if (one_of(c, weekday_names, weekday_abbreviations) < 0)
                return verdict::mismatch;
            break;
        case directive::weekday: {
            std::int32_t weekday = 0;
            if (!number(c, 1, 1, weekday) || weekday > 6)
                return verdict::mismatch;
            break;
        }
        case directive::hour:
            if (!number(c, 1, 2, r.hour))
                return verdict::mismatch;
            break;
        case directive::hour_of_12:
            if (!number(c, 1, 2, hour_of_12))
                return verdict::mismatch;
            if (hour_of_12 < 1 || hour_of_12 > 12)
                return verdict::bad_time;
            break;
        case directive::meridiem:
            // the forms Iranian systems write, then each locale's own names (Pashto's among them)
            if ((meridiem = half_of_day(c)) < 0)
                for (int l = 0; l < locale_count && meridiem < 0; ++l)
                    for (int half = 0; half < 2 && meridiem < 0; ++half)
                        if (name(c, meridiem_names[l][half]))
                            meridiem = half;
            if (meridiem < 0)
                return verdict::mismatch;
            break;
        case directive::minute:
            if (!number(c, 1, 2, r.minute))
                return verdict::mismatch;
            break;
        case directive::second:
            if (!number(c, 1, 2, r.second))
                return verdict::mismatch;
            break;
        case directive::fraction:
            if (!fraction(c, r.nanosecond))
                return verdict::mismatch;
            break;
        case directive::utc_offset:
            if (!utc_offset(c, r.offset))
                return verdict::mismatch;
            r.zoned = true;
            break;
        case directive::zone_name:
            if (!(name(c, "UTC") || name(c, "GMT") || literal(c, 'Z')))
                return verdict::mismatch;
            r.zoned = true;
            break;
        }
    }
    if (!c.done())
        return verdict::mismatch;
    if (hour_of_12 >= 0)
        r.hour = hour_of_12 % 12 + (meridiem == 1 ? 12 : 0);
    return checked(r);
}

}  // namespace text

#endif
