"""The examples in the README are what the module prints."""

import doctest
from pathlib import Path


def test_readme_examples():
    text = (Path(__file__).resolve().parent.parent / "README.md").read_text()
    # a code fence would read as expected output: end each example at its fence
    text = "\n".join("" if line.startswith("```") else line for line in text.splitlines())
    test = doctest.DocTestParser().get_doctest(text, {}, "README.md", "README.md", 0)
    runner = doctest.DocTestRunner()
    runner.run(test)
    assert test.examples and runner.failures == 0
