"""A call mypy must refuse: a str where the year goes."""

import algorithms_c

algorithms_c.is_jalali_leap_year("1399")
