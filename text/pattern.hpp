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
// not begin one of these is literal text to write, as jdatetime leaves it;
// compile() notes the first such, which a reader refuses as a mistake in the
// format.  compile() also notes what the format holds, for the callers to ask
// once a column rather than look at the format again.

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

    // What the pieces hold, noted by compile():
    bool time = false;         // a time of day: %H %I %p %M %S %f
    bool offset = false;       // %z
    bool zone_name = false;    // %Z
    bool names = false;        // names of months, weekdays or halves of the day: %B %b %A %a %p
    bool year = false;         // %Y or %y
    char date_separator = 0;   // the byte ? of a format that is exactly %Y?%m?%d (not a space), else 0
    // the first "%" that begins no directive ("%Q", "%-Y", a "%" or "%-" at the end), and its
    // length: 0 where there is none
    std::uint16_t stray_start = 0, stray_length = 0;

    // Whether any piece is `d`.
    constexpr bool has(directive d) const noexcept
    {
        for (std::size_t i = 0; i < count; ++i)
            if (pieces[i].what == d)
                return true;
        return false;
    }

    // The stray "%" and what follows it, or nothing.
    constexpr std::string_view stray() const noexcept { return {format.data() + stray_start, stray_length}; }

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
    p.time = p.offset = p.zone_name = p.names = p.year = false;
    p.date_separator = 0;
    p.stray_start = p.stray_length = 0;
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
        if (format[i] != '%') {
            add_literal(i);
            ++i;
            continue;
        }
        if (i + 1 == format.size()) {  // a "%" at the end
            if (p.stray_length == 0) {
                p.stray_start = static_cast<std::uint16_t>(i);
                p.stray_length = 1;
            }
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
            if (p.stray_length == 0) {  // "%", "-" if any, and the whole character after them
                std::size_t end = i + 2 + (format[i + 1] == '-' && i + 2 < format.size());
                while (end < format.size() && (static_cast<unsigned char>(format[end]) & 0xC0) == 0x80)
                    ++end;
                p.stray_start = static_cast<std::uint16_t>(i);
                p.stray_length = static_cast<std::uint16_t>(end - i);
            }
            add_literal(i);
            ++i;
            continue;
        }
        p.pieces[p.count++] = {d, unpadded, 0, 0};
        i += 2 + unpadded;
        switch (d) {
        case directive::year:
        case directive::year_of_century: p.year = true; break;
        case directive::month_name:
        case directive::month_abbreviation:
        case directive::weekday_name:
        case directive::weekday_abbreviation: p.names = true; break;
        case directive::meridiem: p.names = p.time = true; break;
        case directive::hour:
        case directive::hour_of_12:
        case directive::minute:
        case directive::second:
        case directive::fraction: p.time = true; break;
        case directive::utc_offset: p.offset = true; break;
        case directive::zone_name: p.zone_name = true; break;
        default: break;
        }
    }
    // the common shape, which a reader takes ten bytes at a time
    const piece *k = p.pieces;
    if (p.count == 5 && k[0].what == directive::year && k[2].what == directive::month && k[4].what == directive::day
        && k[1].what == directive::literal && k[1].length == 1 && k[3].what == directive::literal
        && k[3].length == 1 && format[k[1].start] == format[k[3].start] && format[k[1].start] != ' ')
        p.date_separator = format[k[1].start];
    return true;
}

}  // namespace text

#endif
