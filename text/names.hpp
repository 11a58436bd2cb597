#ifndef ALGORITHMS_C_TEXT_NAMES_HPP
#define ALGORITHMS_C_TEXT_NAMES_HPP

// The names that Jalali dates are written with, in English and in Persian, as
// jdatetime writes them: the months (Farvardin ... Esfand) and their first
// three letters, the days of the week from Saturday and, in English, their
// first three letters (in Persian the short name of a weekday is the name),
// and the halves of the day.  In UTF-8; the Persian names use the Persian
// yeh and keheh (U+06CC, U+06A9), and the zero-width non-joiner (U+200C)
// where Persian writes one, as in the name of Sunday.
//
// Then Afghanistan's: Dari (fa-AF: Hamal ... Hut) and Pashto (ps: Wray ...
// Kab), as CLDR's data for the Persian calendar spells them (the rows between
// the "cldr" markers are written by text/names.py).  CLDR gives their short
// names of months and weekdays as the whole names.

#include <string_view>

namespace text {

enum class locale { en, fa, fa_af, ps };
inline constexpr int locale_count = 4;

inline constexpr std::string_view month_names[locale_count][12] = {
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
    // cldr month_names begin
    // from CLDR 48 (ICU 78.3), by text/names.py
    {  // Dari
     "\u062D\u0645\u0644",  // حمل
     "\u062B\u0648\u0631",  // ثور
     "\u062C\u0648\u0632\u0627",  // جوزا
     "\u0633\u0631\u0637\u0627\u0646",  // سرطان
     "\u0627\u0633\u062F",  // اسد
     "\u0633\u0646\u0628\u0644\u0647\u0654",  // سنبلهٔ
     "\u0645\u06CC\u0632\u0627\u0646",  // میزان
     "\u0639\u0642\u0631\u0628",  // عقرب
     "\u0642\u0648\u0633",  // قوس
     "\u062C\u062F\u06CC",  // جدی
     "\u062F\u0644\u0648",  // دلو
     "\u062D\u0648\u062A",  // حوت
    },
    {  // Pashto
     "\u0648\u0631\u06CC",  // وری
     "\u063A\u0648\u06CC\u06CC",  // غویی
     "\u063A\u0628\u0631\u06AF\u0648\u0644\u06CC",  // غبرگولی
     "\u0686\u0646\u06AF\u0627\u069A",  // چنگاښ
     "\u0632\u0645\u0631\u06CC",  // زمری
     "\u0648\u0696\u06CC",  // وږی
     "\u062A\u0644\u0647",  // تله
     "\u0644\u0693\u0645",  // لړم
     "\u0644\u06CC\u0646\u062F\u06CD",  // لیندۍ
     "\u0645\u0631\u063A\u0648\u0645\u06CC",  // مرغومی
     "\u0633\u0644\u0648\u0627\u063A\u0647",  // سلواغه
     "\u06A9\u0628",  // کب
    },
    // cldr month_names end
};

inline constexpr std::string_view month_abbreviations[locale_count][12] = {
    {"Far", "Ord", "Kho", "Tir", "Mor", "Sha", "Meh", "Aba", "Aza", "Dey", "Bah", "Esf"},
    {"\u0641\u0631\u0648", "\u0627\u0631\u062F", "\u062E\u0631\u062F", "\u062A\u06CC\u0631", "\u0645\u0631\u062F",
     "\u0634\u0647\u0631", "\u0645\u0647\u0631", "\u0622\u0628\u0627", "\u0622\u0630\u0631", "\u062F\u06CC",
     "\u0628\u0647\u0645", "\u0627\u0633\u0641"},
    // cldr month_abbreviations begin
    // from CLDR 48 (ICU 78.3), by text/names.py
    {  // Dari
     "\u062D\u0645\u0644",  // حمل
     "\u062B\u0648\u0631",  // ثور
     "\u062C\u0648\u0632\u0627",  // جوزا
     "\u0633\u0631\u0637\u0627\u0646",  // سرطان
     "\u0627\u0633\u062F",  // اسد
     "\u0633\u0646\u0628\u0644\u0647\u0654",  // سنبلهٔ
     "\u0645\u06CC\u0632\u0627\u0646",  // میزان
     "\u0639\u0642\u0631\u0628",  // عقرب
     "\u0642\u0648\u0633",  // قوس
     "\u062C\u062F\u06CC",  // جدی
     "\u062F\u0644\u0648",  // دلو
     "\u062D\u0648\u062A",  // حوت
    },
    {  // Pashto
     "\u0648\u0631\u06CC",  // وری
     "\u063A\u0648\u06CC\u06CC",  // غویی
     "\u063A\u0628\u0631\u06AF\u0648\u0644\u06CC",  // غبرگولی
     "\u0686\u0646\u06AF\u0627\u069A",  // چنگاښ
     "\u0632\u0645\u0631\u06CC",  // زمری
     "\u0648\u0696\u06CC",  // وږی
     "\u062A\u0644\u0647",  // تله
     "\u0644\u0693\u0645",  // لړم
     "\u0644\u06CC\u0646\u062F\u06CD",  // لیندۍ
     "\u0645\u0631\u063A\u0648\u0645\u06CC",  // مرغومی
     "\u0633\u0644\u0648\u0627\u063A\u0647",  // سلواغه
     "\u06A9\u0628",  // کب
    },
    // cldr month_abbreviations end
};

inline constexpr std::string_view weekday_names[locale_count][7] = {
    {"Saturday", "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday"},
    {"\u0634\u0646\u0628\u0647",                            // شنبه
     "\u06CC\u06A9\u200C\u0634\u0646\u0628\u0647",          // یک‌شنبه
     "\u062F\u0648\u0634\u0646\u0628\u0647",                // دوشنبه
     "\u0633\u0647\u200C\u0634\u0646\u0628\u0647",          // سه‌شنبه
     "\u0686\u0647\u0627\u0631\u0634\u0646\u0628\u0647",    // چهارشنبه
     "\u067E\u0646\u062C\u200C\u0634\u0646\u0628\u0647",    // پنج‌شنبه
     "\u062C\u0645\u0639\u0647"},                           // جمعه
    // cldr weekday_names begin
    // from CLDR 48 (ICU 78.3), by text/names.py
    {  // Dari
     "\u0634\u0646\u0628\u0647",  // شنبه
     "\u06CC\u06A9\u0634\u0646\u0628\u0647",  // یکشنبه
     "\u062F\u0648\u0634\u0646\u0628\u0647",  // دوشنبه
     "\u0633\u0647\u200C\u0634\u0646\u0628\u0647",  // سه‌شنبه
     "\u0686\u0647\u0627\u0631\u0634\u0646\u0628\u0647",  // چهارشنبه
     "\u067E\u0646\u062C\u0634\u0646\u0628\u0647",  // پنجشنبه
     "\u062C\u0645\u0639\u0647",  // جمعه
    },
    {  // Pashto
     "\u0627\u0648\u0646\u06CD",  // اونۍ
     "\u064A\u0648\u0646\u06CD",  // يونۍ
     "\u062F\u0648\u0646\u06CD",  // دونۍ
     "\u062F\u0631\u06D0\u0646\u06CD",  // درېنۍ
     "\u0685\u0644\u0631\u0646\u06CD",  // څلرنۍ
     "\u067E\u064A\u0646\u0681\u0646\u06CD",  // پينځنۍ
     "\u062C\u0645\u0639\u0647",  // جمعه
    },
    // cldr weekday_names end
};

inline constexpr std::string_view weekday_abbreviations[locale_count][7] = {
    {"Sat", "Sun", "Mon", "Tue", "Wed", "Thu", "Fri"},
    {weekday_names[1][0], weekday_names[1][1], weekday_names[1][2], weekday_names[1][3], weekday_names[1][4],
     weekday_names[1][5], weekday_names[1][6]},
    // cldr weekday_abbreviations begin
    // from CLDR 48 (ICU 78.3), by text/names.py
    {  // Dari
     "\u0634\u0646\u0628\u0647",  // شنبه
     "\u06CC\u06A9\u0634\u0646\u0628\u0647",  // یکشنبه
     "\u062F\u0648\u0634\u0646\u0628\u0647",  // دوشنبه
     "\u0633\u0647\u200C\u0634\u0646\u0628\u0647",  // سه‌شنبه
     "\u0686\u0647\u0627\u0631\u0634\u0646\u0628\u0647",  // چهارشنبه
     "\u067E\u0646\u062C\u0634\u0646\u0628\u0647",  // پنجشنبه
     "\u062C\u0645\u0639\u0647",  // جمعه
    },
    {  // Pashto
     "\u0627\u0648\u0646\u06CD",  // اونۍ
     "\u064A\u0648\u0646\u06CD",  // يونۍ
     "\u062F\u0648\u0646\u06CD",  // دونۍ
     "\u062F\u0631\u06D0\u0646\u06CD",  // درېنۍ
     "\u0685\u0644\u0631\u0646\u06CD",  // څلرنۍ
     "\u067E\u064A\u0646\u0681\u0646\u06CD",  // پينځنۍ
     "\u062C\u0645\u0639\u0647",  // جمعه
    },
    // cldr weekday_abbreviations end
};

// Before noon, after noon.
inline constexpr std::string_view meridiem_names[locale_count][2] = {
    {"AM", "PM"},
    {"\u0642\u0628\u0644 \u0627\u0632 \u0638\u0647\u0631",   // قبل از ظهر
     "\u0628\u0639\u062F \u0627\u0632 \u0638\u0647\u0631"},  // بعد از ظهر
    // cldr meridiem_names begin
    // from CLDR 48 (ICU 78.3), by text/names.py
    {  // Dari
     "\u0642.\u0638.",  // ق.ظ.
     "\u0628.\u0638.",  // ب.ظ.
    },
    {  // Pashto
     "\u063A.\u0645.",  // غ.م.
     "\u063A.\u0648.",  // غ.و.
    },
    // cldr meridiem_names end
};

}  // namespace text

#endif
