"""Sphinx configuration of the documentation: MyST Markdown pages, and the API reference from the
installed modules' own docstrings (NumPy style) and signatures."""

import importlib.util

project = "algorithms_c"
author = "the algorithms_c developers"
copyright = "algorithms_c developers, under the MIT licence"

extensions = ["myst_parser", "sphinx.ext.autodoc", "sphinx.ext.napoleon"]
source_suffix = {".md": "markdown"}
exclude_patterns = ["_build"]
myst_heading_anchors = 3

napoleon_google_docstring = False
napoleon_numpy_docstring = True
napoleon_use_rtype = False
autodoc_member_order = "bysource"
autodoc_typehints = "none"
# the Spark adapter's reference is read from its docstrings where pyspark is not installed
autodoc_mock_imports = [] if importlib.util.find_spec("pyspark") else ["pyspark"]

html_theme = "alabaster"
html_static_path = []
html_theme_options = {"description": "Jalali calendar arithmetic for Python, in C++", "fixed_sidebar": True}
