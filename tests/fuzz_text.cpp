// The text routines on millions of random inputs, for a build with
// AddressSanitizer and UndefinedBehaviorSanitizer: each text to read is copied
// to the very end of an allocation of its own, of exactly its length, and each
// row is written into one of exactly the length that `longest` promises, so
// that a byte read or written past either end stops the run.  Besides, what is read must be in range, and
// what is written must read back.
//
//   g++ -std=c++17 -O1 -g -fsanitize=address,undefined -fno-sanitize-recover=all -I. tests/fuzz_text.cpp
//       -o fuzz_text && ./fuzz_text 3000000
//
// Prints one line of counts and exits non-zero at the first fault it finds
// itself (the sanitizers stop it at theirs).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "text/format.hpp"
#include "text/parse.hpp"

namespace {

// xorshift64*, seeded: the same inputs every run.
struct random_bits {
    std::uint64_t state;
    std::uint64_t next() noexcept
    {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return state * 0x2545F4914F6CDD1Du;
    }
    std::uint32_t below(std::uint32_t n) noexcept { return static_cast<std::uint32_t>(next() % n); }
};

// Pieces that dates are made of, and that come near them: digits in three
// scripts, separators, spaces, names in every locale, the zero-width
// non-joiner, the Arabic yeh and kaf, the alef maksura, the hamza above, the
// marks of direction, the forms of the half of the day, stray and cut UTF-8
// sequences.
const char *const pieces[] = {
    "0", "1", "2", "9", "12", "29", "30", "31", "13", "00", "1402", "1403", "9378", "-622", "99999999",
    "\xDB\xB0", "\xDB\xB9", "\xD9\xA0", "\xD9\xA9", "\xDB", "\xD9", "\xDB\xBA", "\xD9\xAA",
    "/", "-", ":", ".", "T", " ", "\t", "\xC2\xA0", "\xC2", "+", "Z", "%", "\xE2\x80\x8C", "\xE2\x80", "\xE2",
    "Farvardin", "Esf", "esfand", "Mehr", "Saturday", "sat", "AM", "pm", "UTC", "GMT",
    "\u0627\u0633\u0641\u0646\u062F", "\u0641\u0631\u0648", "\u06CC\u06A9\u200C\u0634\u0646\u0628\u0647",
    "\u064A\u0643\u0634\u0646\u0628\u0647", "\u0642\u0628\u0644 \u0627\u0632 \u0638\u0647\u0631",
    // Dari's and Pashto's: month 6 with its hamza above, without, and joined to its heh; a name spelled
    // with the Arabic yeh; a hamza alone and cut
    "\u0633\u0646\u0628\u0644\u0647\u0654", "\u0633\u0646\u0628\u0644\u0647", "\u0633\u0646\u0628\u0644\u06C0",
    "\u062D\u0645\u0644", "\u062D\u0648\u062A", "\u06A9\u0628", "\u0648\u0631\u064A", "\u064A\u0648\u0646\u06CD",
    "\u0627\u0648\u0646\u06CD", "\u0642.\u0638.", "\u063A.\u0648.", "\u0654", "\u06C0", "\xD9\x94\xD9",
    "\xFF", "\x80", "",
    "\u062F\u0649", "\u0641\u0631\u0648\u0631\u062F\u0649\u0646",  // with the alef maksura
    "\u200E", "\u200F", "\u061C", "\u202A", "\u202E", "\u2066", "\u2069", "\xE2\x80\xAA", "\xE2\x81", "\xD8",
    "a.m.", "P.M", "p.", "\u0628\u0639\u062F\u0627\u0632\u0638\u0647\u0631", "\u0642\u0628\u0644\u200C\u0627\u0632",
    "\u0642.\u0638", "\u0628\u0638.", "\u0628.", "\u0638\u0647\u0631", "\u0628\u0639\u062F \u0627\u0632",
};
constexpr std::uint32_t piece_count = sizeof pieces / sizeof *pieces;

const char *const directives[] = {"%Y", "%y", "%m", "%-m", "%d", "%-d", "%j", "%-j", "%B", "%b", "%A", "%a", "%w",
                                  "%H", "%-H", "%I", "%-I", "%p", "%M", "%-M", "%S", "%-S", "%f", "%z", "%Z", "%%",
                                  "%", "%-", "%Q", "/", " ", "-", ":", "T", "\xD8\xB3"};
constexpr std::uint32_t directive_count = sizeof directives / sizeof *directives;

// A number in digits of one of the three scripts, mixed digit by digit.
std::string digits_of(random_bits &r, std::uint32_t value, int width)
{
    std::string text;
    char plain[16];
    std::snprintf(plain, sizeof plain, "%0*u", width, value);
    for (const char *c = plain; *c != '\0'; ++c) {
        const std::uint32_t script = r.below(3), d = static_cast<std::uint32_t>(*c - '0');
        if (script == 0)
            text.push_back(*c);
        else
            text += {static_cast<char>(script == 1 ? 0xDB : 0xD9), static_cast<char>((script == 1 ? 0xB0 : 0xA0) + d)};
    }
    return text;
}

// A date, and a time now and then, as text of the forms that are read, with
// a byte changed or cut now and then.
std::string near_date(random_bits &r)
{
    static const char *const separators[] = {"/", "-", ""};
    const char *separator = separators[r.below(3)];
    std::string text = std::string(r.below(4), ' ') + digits_of(r, r.below(10000), 4) + separator
                     + digits_of(r, r.below(14), *separator ? 1 + r.below(2) : 2) + separator
                     + digits_of(r, r.below(33), *separator ? 1 + r.below(2) : 2);
    if (r.below(3) == 0)
        text += (r.below(2) ? " " : "T") + digits_of(r, r.below(25), 2) + ":" + digits_of(r, r.below(61), 2)
              + (r.below(2) ? ":" + digits_of(r, r.below(61), 2) : "");
    text += std::string(r.below(3), ' ');
    if (r.below(4) == 0 && !text.empty())
        text[r.below(static_cast<std::uint32_t>(text.size()))] = static_cast<char>(r.below(256));
    return text;
}

std::string random_text(random_bits &r)
{
    std::string text;
    const std::uint32_t kind = r.below(5);
    if (kind == 4)
        return near_date(r);
    if (kind == 0) {  // bytes of any value
        const std::uint32_t length = r.below(40);
        for (std::uint32_t i = 0; i < length; ++i)
            text.push_back(static_cast<char>(r.below(256)));
    } else {  // pieces, with a byte changed now and then
        const std::uint32_t count = r.below(12);
        for (std::uint32_t i = 0; i < count; ++i)
            text += pieces[r.below(piece_count)];
        if (kind == 1 && !text.empty())
            text[r.below(static_cast<std::uint32_t>(text.size()))] = static_cast<char>(r.below(256));
        if (kind == 2 && !text.empty())
            text.resize(r.below(static_cast<std::uint32_t>(text.size()) + 1));
    }
    return text;
}

std::string random_format(random_bits &r)
{
    std::string format;
    const std::uint32_t count = r.below(10);
    for (std::uint32_t i = 0; i < count; ++i)
        format += directives[r.below(directive_count)];
    return format;
}

int faults = 0;

void fault(const char *what, const std::string &text)
{
    std::printf("FAULT: %s: \"", what);
    for (const unsigned char c : text)
        std::printf(c >= 0x20 && c < 0x7F ? "%c" : "\\x%02X", c);
    std::printf("\"\n");
    if (++faults >= 10)
        std::exit(1);
}

// What a reading that is ok must hold.
bool in_range(const text::reading &r)
{
    return r.month >= 1 && r.month <= 12 && r.day >= 1 && r.day <= 31 && r.day_of_year >= 0 && r.day_of_year <= 366
        && r.hour >= 0 && r.hour <= 23 && r.minute >= 0 && r.minute <= 59 && r.second >= 0 && r.second <= 59
        && r.nanosecond >= 0 && r.nanosecond < 1000000000 && r.offset > -86400 && r.offset < 86400;
}

// Reads `text` placed at the very end of an allocation of its own (of one byte,
// past which it starts, where it is empty: malloc(0) may give null).
text::verdict read_exactly(const std::string &text, const text::pattern *p, text::reading &r)
{
    const std::size_t size = text.size() == 0 ? 1 : text.size();
    char *buffer = static_cast<char *>(std::malloc(size));
    char *at = buffer + size - text.size();
    std::memcpy(at, text.data(), text.size());
    const text::verdict v = p == nullptr ? text::read_default(at, text.size(), r)
                                         : text::read_formatted(*p, at, text.size(), r);
    std::free(buffer);
    return v;
}

text::moment random_moment(random_bits &r)
{
    text::moment m;
    const std::uint32_t kind = r.below(4);
    m.year = kind == 0 ? static_cast<std::int32_t>(r.next()) : kind == 1 ? -static_cast<std::int32_t>(r.below(1000000))
                                                                       : static_cast<std::int32_t>(r.below(10000));
    m.month = 1 + static_cast<std::int32_t>(r.below(12));
    m.day = 1 + static_cast<std::int32_t>(r.below(31));
    m.day_of_year = static_cast<std::int32_t>(r.below(366));
    m.weekday = static_cast<std::int32_t>(r.below(7));
    m.hour = static_cast<std::int32_t>(r.below(24));
    m.minute = static_cast<std::int32_t>(r.below(60));
    m.second = static_cast<std::int32_t>(r.below(60));
    m.nanosecond = static_cast<std::int32_t>(r.below(1000000000));
    m.zoned = r.below(2) == 1;
    m.offset = static_cast<std::int32_t>(r.below(2 * 86399)) - 86399;
    static const char *const zones[] = {"", "UTC", "+0330", "IRST", "America/Argentina/Buenos_Aires"};
    m.zone = zones[r.below(5)];
    return m;
}

// Every code point of the Basic Multilingual Plane in UTF-8, at the very end of
// an allocation of its own: a space to the UTF-8 reader (whole, from the front
// and from the back) exactly where text::is_space, which the rows of
// fixed-width Unicode ask, says it is one.
void spaces_agree()
{
    for (std::uint32_t u = 0; u < 0x10000; ++u) {
        if (u >= 0xD800 && u < 0xE000)
            continue;
        char bytes[3];
        std::size_t n = 0;
        if (u < 0x80) {
            bytes[n++] = static_cast<char>(u);
        } else if (u < 0x800) {
            bytes[n++] = static_cast<char>(0xC0 | u >> 6);
            bytes[n++] = static_cast<char>(0x80 | (u & 0x3F));
        } else {
            bytes[n++] = static_cast<char>(0xE0 | u >> 12);
            bytes[n++] = static_cast<char>(0x80 | (u >> 6 & 0x3F));
            bytes[n++] = static_cast<char>(0x80 | (u & 0x3F));
        }
        const std::string alone(bytes, n), after = "1404/01/05" + alone, before = alone + "1404/01/05";
        text::reading r;
        const bool empty = read_exactly(alone, nullptr, r) == text::verdict::empty;
        const bool trimmed = read_exactly(after, nullptr, r) == text::verdict::ok
                          && read_exactly(before, nullptr, r) == text::verdict::ok;
        if (empty != text::is_space(u) || trimmed != text::is_space(u))
            fault("a space to one reader and not to the other", alone);
    }
}

}  // namespace

int main(int argc, char **argv)
{
    spaces_agree();
    const long runs = argc > 1 ? std::atol(argv[1]) : 1000000;
    random_bits r{0x9E3779B97F4A7C15u};
    long read_ok = 0, written = 0, read_back = 0;
    text::pattern p;
    for (long run = 0; run < runs; ++run) {
        // reading: without a format and with a random one
        const std::string input = random_text(r);
        const std::string format = random_format(r);
        text::reading reading;
        if (!text::compile(format, p))
            fault("a short format refused", format);
        const text::pattern *const ways[] = {nullptr, &p};
        for (const text::pattern *with : ways) {
            const text::verdict v = read_exactly(input, with, reading);
            if (v == text::verdict::ok) {
                ++read_ok;
                if (!in_range(reading))
                    fault("a reading out of range", input);
            }
        }
        // writing: a random moment by the random format, in a buffer of exactly the promised length
        const text::moment m = random_moment(r);
        for (const auto l : {text::locale::en, text::locale::fa, text::locale::fa_af, text::locale::ps})
            for (const bool persian : {false, true}) {
                const std::size_t length = text::longest(p, l, persian, m.zone.size());
                char *buffer = static_cast<char *>(std::malloc(length == 0 ? 1 : length));
                const char *end = text::write(p, m, l, persian, buffer);
                if (end < buffer || static_cast<std::size_t>(end - buffer) > length)
                    fault("more written than promised", format);
                ++written;
                // what was written, read by the same format
                if (read_exactly(std::string(buffer, static_cast<std::size_t>(end - buffer)), &p, reading)
                    == text::verdict::ok) {
                    ++read_ok;
                    if (!in_range(reading))
                        fault("a reading out of range", format);
                }
                // a plain date written is read back as it was
                if (!persian && l == text::locale::en && m.year >= 1000 && m.year <= 9999 && run % 7 == 0) {
                    text::pattern date;
                    text::compile("%Y/%m/%d", date);
                    char *plain = static_cast<char *>(std::malloc(text::longest(date, l, false, 0)));
                    const char *stop = text::write(date, m, l, false, plain);
                    const std::string back(plain, static_cast<std::size_t>(stop - plain));
                    if (read_exactly(back, nullptr, reading) != text::verdict::ok || reading.year != m.year
                        || reading.month != m.month || reading.day != m.day)
                        fault("a date written that does not read back", back);
                    ++read_back;
                    std::free(plain);
                }
                std::free(buffer);
            }
    }
    const long texts = 2 * runs + written;
    std::printf("%ld texts read (%ld dates, %ld refused), %ld rows written and read by their format, %ld dates "
                "read back: %s\n", texts, read_ok, texts - read_ok, written, read_back, faults == 0 ? "no fault" : "faults");
    return faults == 0 ? 0 : 1;
}
