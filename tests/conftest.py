"""Hypothesis without its deadline: every example here takes microseconds, and
one stalled by a loaded machine would otherwise fail an exact test for time."""

from hypothesis import settings

settings.register_profile("exact", deadline=None)
settings.load_profile("exact")
