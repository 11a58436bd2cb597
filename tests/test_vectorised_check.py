"""The CI check for a vectorised loop that waits on its own last pass through the vector of all
ones that it makes, on assembly as GCC writes it: it names the loops that do and no other."""

import importlib.util
from pathlib import Path

import pytest

pytest.importorskip("numpy")  # the check builds against NumPy's headers, and imports it

PATH = Path(__file__).resolve().parent.parent / ".ci" / "vectorised.py"


def check():
    found = importlib.util.spec_from_file_location("vectorised", PATH)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module.chained_ones


def function(name, *loop, label=".L4"):
    return "\n".join([f"{name}:", "\tpushq\t%rbx", f"{label}:", *(f"\t{line}" for line in loop),
                      f"\tjne\t{label}", "\tret", ""])


ONES = "vpternlogd\t$0xFF, %zmm0, %zmm0, %zmm0"


@pytest.mark.skipif(not PATH.exists(), reason="the CI scripts are not beside the tests")
def test_only_loops_that_write_their_vector_of_ones_elsewhere_are_named():
    chained_ones = check()
    written_back = function("_Z7chainedv", ONES, "vpaddd\t%zmm0, %zmm1, %zmm2", "vpbroadcastd\t%ecx, %zmm0{%k1}{z}")
    only_read = function("_Z4readv", ONES, "vpaddd\t%zmm0, %zmm1, %zmm2", "vmovdqu32\t%zmm0, (%rax)")
    dependency_free = function("_Z4ymmv", "vpcmpeqd\t%ymm0, %ymm0, %ymm0", "vpaddd\t%ymm0, %ymm1, %ymm0")
    two_blocks = written_back.replace(ONES, ONES + "\n.L5:")  # a label between: not one basic block
    assert chained_ones(written_back) == [("_Z7chainedv", ONES)]
    assert chained_ones(only_read + dependency_free + two_blocks) == []
    assert chained_ones(only_read + written_back) == [("_Z7chainedv", ONES)]
