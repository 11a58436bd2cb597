"""The ufuncs in the astronomical Jalali calendar, the one in civil use in Iran, which holds the
years first_year to last_year; the Gregorian two are those of the module itself."""

import numpy as np

first_year: int
last_year: int

get_julian_day_from_gregorian_date: np.ufunc
is_jalali_leap_year: np.ufunc
get_days_in_jalali_year: np.ufunc
get_days_in_jalali_month: np.ufunc
get_julian_day_from_jalali_date: np.ufunc
get_jalali_date_from_julian_day: np.ufunc
get_gregorian_date_from_julian_day: np.ufunc
get_jalali_date_from_gregorian_date: np.ufunc
