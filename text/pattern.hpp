#ifndef ALGORITHMS_C_TEXT_PATTERN_HPP
#define ALGORITHMS_C_TEXT_PATTERN_HPP

// A strftime-style format, read once into the pieces that formatting and
// parsing walk for every row: literal text, and the directives
//
//   %Y year            %y year of the century    %m %-m month      %d %-d day
//   %j %-j day of the year   %B %b month name, short   %A %a weekday name, short
//   %w weekday, 0 = Saturday  %H %-H hour   %I %-I hour of 12   %p before or after noon
//   %M %-M minute      %S %-S second        %f microseconds (parsed: 1 to 9 digits)
//   (%Y is written unpadded, and read as 1 to 4 digits with a sign)
//   %z UTC offset      %Z time zone name    %% a percent sign
//
// as jdatetime writes them; "-" leaves a number unpadded.  A "%" that does
// not begin one of these is literal text, as jdatetime leaves it.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace text {

enum class directive : std::uint8_t {
    literal,
    year, year_of_century,
    month, day, day_of_year,
    month_name, month_abbreviation, weekday_name, weekday_abbreviation, weekday,
    hour, hour_of_12, meridiem, minute, second, fraction,
    utc_offset, zone_name,
};

struct piece {
    directive what = directive::literal;
    bool unpadded = false;
    std::uint16_t start = 0, length = 0;  // of a literal, in the format
};

// The longest format taken, and the most pieces it can hold.
constexpr std::size_t format_limit = 512;
constexpr std::size_t piece_limit = format_limit;

struct pattern {
    std::string_view format;
    piece pieces[piece_limit];
    std::size_t count = 0;

    // Whether any piece is `d`.
    constexpr bool has(directive d) const noexcept
    {
        for (std::size_t i = 0; i < count; ++i)
            if (pieces[i].what == d)
                return true;
        return false;
    }

    // The text of a literal piece, which compile() placed inside the format
    // (no bounds check, and so nothing that could throw).
    constexpr std::string_view literal(const piece &c) const noexcept
    {
        return {format.data() + c.start, c.length};
    }
};

// The directive of the letter after "%" (and "-", when `unpadded`), or
// literal where there is none.
constexpr directive directive_of(char letter, bool unpadded) noexcept
{
    switch (letter) {
    case 'Y': return unpadded ? directive::literal : directive::year;
    case 'y': return unpadded ? directive::literal : directive::year_of_century;
    case 'm': return directive::month;
    case 'd': return directive::day;
    case 'j': return directive::day_of_year;
    case 'B': return unpadded ? directive::literal : directive::month_name;
    case 'b': return unpadded ? directive::literal : directive::month_abbreviation;
    case 'A': return unpadded ? directive::literal : directive::weekday_name;
    case 'a': return unpadded ? directive::literal : directive::weekday_abbreviation;
    case 'w': return unpadded ? directive::literal : directive::weekday;
    case 'H': return directive::hour;
    case 'I': return directive::hour_of_12;
    case 'p': return unpadded ? directive::literal : directive::meridiem;
    case 'M': return directive::minute;
    case 'S': return directive::second;
    case 'f': return unpadded ? directive::literal : directive::fraction;
    case 'z': return unpadded ? directive::literal : directive::utc_offset;
    case 'Z': return unpadded ? directive::literal : directive::zone_name;
    default: return directive::literal;
    }
}

// Reads `format` into `p`: false where it is longer than format_limit.
// Neighbouring literal text is one piece; "%%" is a literal "%".
constexpr bool compile(std::string_view format, pattern &p) noexcept
{
    if (format.size() > format_limit)
        return false;
    p.format = format;
    p.count = 0;
    const auto add_literal = [&p](std::size_t start) {  // one byte of literal text
        if (p.count > 0) {
            piece &last = p.pieces[p.count - 1];
            if (last.what == directive::literal && last.start + last.length == start) {
                ++last.length;
                return;
            }
        }
        p.pieces[p.count++] = {directive::literal, false, static_cast<std::uint16_t>(start), 1};
    };
    std::size_t i = 0;
    while (i < format.size()) {
        if (format[i] != '%' || i + 1 == format.size()) {
            add_literal(i);
            ++i;
            continue;
        }
        if (format[i + 1] == '%') {
            add_literal(i + 1);
            i += 2;
            continue;
        }
        const bool unpadded = format[i + 1] == '-' && i + 2 < format.size();
        const char letter = format[i + 1 + unpadded];
        const directive d = directive_of(letter, unpadded);
        if (d == directive::literal) {  // kept as it stands, "%" and all
            add_literal(i);
            ++i;
            continue;
        }
        p.pieces[p.count++] = {d, unpadded, 0, 0};
        i += 2 + unpadded;
    }
    return true;
}

}  // namespace text

#endif
