#ifndef ALGORITHMS_C_TEXT_FORMAT_HPP
#define ALGORITHMS_C_TEXT_FORMAT_HPP

// Jalali dates and times written by a compiled format (pattern.hpp), in the
// manner of std::to_chars: into a buffer that the caller sized by `longest`,
// with no locale of the C library, no allocation, and digits in ASCII or, on
// request, in Persian (U+06F0 to U+06F9).

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "names.hpp"
#include "pattern.hpp"

namespace text {

// A date and time as it is written: the Jalali date with its day of the year
// (from 0) and weekday (0 = Saturday), the time of day, and for a value with
// a time zone its offset from UTC, in seconds east, and the zone's name.
struct moment {
    std::int32_t year = 0;
    std::int32_t month = 1, day = 1, day_of_year = 0, weekday = 0;
    std::int32_t hour = 0, minute = 0, second = 0, nanosecond = 0;
    bool zoned = false;
    std::int32_t offset = 0;
    std::string_view zone;
};

namespace detail {

// The most bytes that one of `names` takes.
template <std::size_t N>
constexpr std::size_t longest_of(const std::string_view (&names)[N]) noexcept
{
    std::size_t most = 0;
    for (const std::string_view name : names)
        most = name.size() > most ? name.size() : most;
    return most;
}

// The two digits of every number below 100.
inline constexpr char digit_pairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                                      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                                      "8081828384858687888990919293949596979899";

constexpr char *write_pair(char *out, std::uint32_t value) noexcept  // value < 100
{
    out[0] = digit_pairs[2 * value];
    out[1] = digit_pairs[2 * value + 1];
    return out + 2;
}

// `value` in decimal, at least `width` digits: the end of what it wrote.  Numbers below
// 10000, which dates are written with, two digits at a time.
constexpr char *write_unsigned(char *out, std::uint32_t value, int width) noexcept
{
    if (value < 100 && width <= 2) {
        if (value < 10 && width < 2) {
            *out = static_cast<char>('0' + value);
            return out + 1;
        }
        return write_pair(out, value);
    }
    if (value < 10000 && width <= 4 && (value >= 1000 || width < 4)) {
        const std::uint32_t high = value / 100;
        if (high >= 10 || width == 4) {
            out = write_pair(out, high);
        } else if (high > 0 || width == 3) {
            *out++ = static_cast<char>('0' + high);
        }
        return write_pair(out, value % 100);
    }
    char digits[10] = {};
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (; count < width; --width)
        *out++ = '0';
    while (count > 0)
        *out++ = digits[--count];
    return out;
}

constexpr char *write_number(char *out, std::int32_t value, int width) noexcept
{
    if (value < 0) {
        *out++ = '-';
        return write_unsigned(out, 0 - static_cast<std::uint32_t>(value), width);
    }
    return write_unsigned(out, static_cast<std::uint32_t>(value), width);
}

constexpr char *write_text(char *out, std::string_view text) noexcept
{
    for (const char c : text)
        *out++ = c;
    return out;
}

}  // namespace detail

// The most bytes that writing one moment by `p` takes, with zone names of at
// most `longest_zone` bytes.
constexpr std::size_t longest(const pattern &p, locale l, bool persian_digits, std::size_t longest_zone) noexcept
{
    const int k = static_cast<int>(l);
    std::size_t total = 0;
    for (std::size_t i = 0; i < p.count; ++i) {
        switch (p.pieces[i].what) {
        case directive::literal: total += p.pieces[i].length; break;
        case directive::year: total += 11; break;  // a sign and 10 digits
        case directive::day_of_year: total += 3; break;
        case directive::month_name: total += detail::longest_of(month_names[k]); break;
        case directive::month_abbreviation: total += detail::longest_of(month_abbreviations[k]); break;
        case directive::weekday_name: total += detail::longest_of(weekday_names[k]); break;
        case directive::weekday_abbreviation: total += detail::longest_of(weekday_abbreviations[k]); break;
        case directive::meridiem: total += detail::longest_of(meridiem_names[k]); break;
        case directive::fraction: total += 6; break;
        case directive::utc_offset: total += 5; break;
        case directive::zone_name: total += longest_zone; break;
        default: total += 2; break;  // two digits
        }
    }
    return persian_digits ? 2 * total : total;  // a Persian digit takes two bytes
}

// Writes `m` by `p` at `out`, which holds at least longest(p, l,
// persian_digits, m.zone.size()) bytes: the end of what it wrote.
constexpr char *write(const pattern &p, const moment &m, locale l, bool persian_digits, char *out) noexcept
{
    using detail::write_number;
    using detail::write_text;
    const int k = static_cast<int>(l);
    char *const start = out;
    for (std::size_t i = 0; i < p.count; ++i) {
        const piece &c = p.pieces[i];
        const int width = c.unpadded ? 1 : 2;
        switch (c.what) {
        case directive::literal: out = write_text(out, p.literal(c)); break;
        case directive::year: out = write_number(out, m.year, 1); break;
        case directive::year_of_century: out = write_number(out, (m.year % 100 + 100) % 100, 2); break;
        case directive::month: out = write_number(out, m.month, width); break;
        case directive::day: out = write_number(out, m.day, width); break;
        case directive::day_of_year: out = write_number(out, m.day_of_year + 1, c.unpadded ? 1 : 3); break;
        case directive::month_name: out = write_text(out, month_names[k][m.month - 1]); break;
        case directive::month_abbreviation: out = write_text(out, month_abbreviations[k][m.month - 1]); break;
        case directive::weekday_name: out = write_text(out, weekday_names[k][m.weekday]); break;
        case directive::weekday_abbreviation: out = write_text(out, weekday_abbreviations[k][m.weekday]); break;
        case directive::weekday: out = write_number(out, m.weekday, 1); break;
        case directive::hour: out = write_number(out, m.hour, width); break;
        case directive::hour_of_12: out = write_number(out, (m.hour + 11) % 12 + 1, width); break;
        case directive::meridiem: out = write_text(out, meridiem_names[k][m.hour >= 12]); break;
        case directive::minute: out = write_number(out, m.minute, width); break;
        case directive::second: out = write_number(out, m.second, width); break;
        case directive::fraction: out = write_number(out, m.nanosecond / 1000, 6); break;
        case directive::utc_offset:
            if (m.zoned) {
                // whole minutes, as jdatetime writes them
                const std::int32_t minutes = (m.offset < 0 ? -m.offset : m.offset) / 60;
                *out++ = m.offset < 0 ? '-' : '+';
                out = write_number(out, minutes / 60, 2);
                out = write_number(out, minutes % 60, 2);
            }
            break;
        case directive::zone_name:
            if (m.zoned)
                out = write_text(out, m.zone);
            break;
        }
    }
    if (!persian_digits)
        return out;
    // every ASCII digit written becomes two bytes, from the end backwards
    std::size_t digits = 0;
    for (const char *c = start; c != out; ++c)
        digits += *c >= '0' && *c <= '9';
    char *const end = out + digits;
    for (char *from = out, *to = end; from != start;) {
        const char c = *--from;
        if (c >= '0' && c <= '9') {
            *--to = static_cast<char>(0xB0 + (c - '0'));  // U+06F0 + digit: DB B0 to DB B9
            *--to = static_cast<char>(0xDB);
        } else {
            *--to = c;
        }
    }
    return end;
}

}  // namespace text

#endif
