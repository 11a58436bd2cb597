#ifndef ALGORITHMS_C_TEXT_NAMES_HPP
#define ALGORITHMS_C_TEXT_NAMES_HPP

// The names that Jalali dates are written with, in English and in Persian, as
// jdatetime writes them: the months (Farvardin ... Esfand) and their first
// three letters, the days of the week from Saturday and, in English, their
// first three letters (in Persian the short name of a weekday is the name),
// and the halves of the day.  In UTF-8; the Persian names use the Persian
// yeh and keheh (U+06CC, U+06A9), and the zero-width non-joiner (U+200C)
// where Persian writes one, as in the name of Sunday.

#include <string_view>

namespace text {

enum class locale { en, fa };

inline constexpr std::string_view month_names[2][12] = {
    {"Farvardin", "Ordibehesht", "Khordad", "Tir", "Mordad", "Shahrivar", "Mehr", "Aban", "Azar", "Dey", "Bahman",
     "Esfand"},
    {"\u0641\u0631\u0648\u0631\u062F\u06CC\u0646",          // فروردین
     "\u0627\u0631\u062F\u06CC\u0628\u0647\u0634\u062A",    // اردیبهشت
     "\u062E\u0631\u062F\u0627\u062F",                      // خرداد
     "\u062A\u06CC\u0631",                                  // تیر
     "\u0645\u0631\u062F\u0627\u062F",                      // مرداد
     "\u0634\u0647\u0631\u06CC\u0648\u0631",                // شهریور
     "\u0645\u0647\u0631",                                  // مهر
     "\u0622\u0628\u0627\u0646",                            // آبان
     "\u0622\u0630\u0631",                                  // آذر
     "\u062F\u06CC",                                        // دی
     "\u0628\u0647\u0645\u0646",                            // بهمن
     "\u0627\u0633\u0641\u0646\u062F"},                     // اسفند
};

inline constexpr std::string_view month_abbreviations[2][12] = {
    {"Far", "Ord", "Kho", "Tir", "Mor", "Sha", "Meh", "Aba", "Aza", "Dey", "Bah", "Esf"},
    {"\u0641\u0631\u0648", "\u0627\u0631\u062F", "\u062E\u0631\u062F", "\u062A\u06CC\u0631", "\u0645\u0631\u062F",
     "\u0634\u0647\u0631", "\u0645\u0647\u0631", "\u0622\u0628\u0627", "\u0622\u0630\u0631", "\u062F\u06CC",
     "\u0628\u0647\u0645", "\u0627\u0633\u0641"},
};

inline constexpr std::string_view weekday_names[2][7] = {
    {"Saturday", "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday"},
    {"\u0634\u0646\u0628\u0647",                            // شنبه
     "\u06CC\u06A9\u200C\u0634\u0646\u0628\u0647",          // یک‌شنبه
     "\u062F\u0648\u0634\u0646\u0628\u0647",                // دوشنبه
     "\u0633\u0647\u200C\u0634\u0646\u0628\u0647",          // سه‌شنبه
     "\u0686\u0647\u0627\u0631\u0634\u0646\u0628\u0647",    // چهارشنبه
     "\u067E\u0646\u062C\u200C\u0634\u0646\u0628\u0647",    // پنج‌شنبه
     "\u062C\u0645\u0639\u0647"},                           // جمعه
};

inline constexpr std::string_view weekday_abbreviations[2][7] = {
    {"Sat", "Sun", "Mon", "Tue", "Wed", "Thu", "Fri"},
    {weekday_names[1][0], weekday_names[1][1], weekday_names[1][2], weekday_names[1][3], weekday_names[1][4],
     weekday_names[1][5], weekday_names[1][6]},
};

// Before noon, after noon.
inline constexpr std::string_view meridiem_names[2][2] = {
    {"AM", "PM"},
    {"\u0642\u0628\u0644 \u0627\u0632 \u0638\u0647\u0631",   // قبل از ظهر
     "\u0628\u0639\u062F \u0627\u0632 \u0638\u0647\u0631"},  // بعد از ظهر
};

}  // namespace text

#endif
