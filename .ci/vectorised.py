"""Every fast loop of the array module is vectorised: the compiler's own report says so.

    python .ci/vectorised.py gcc|clang|aarch64

Builds the module (to an object, nothing installed) once for each ufunc and input type that has
a fast form, with only that one kept (ALGORITHMS_C_ONLY), and the compiler's vectorisation
report on: GCC's -fopt-info-vec-optimized (also as the aarch64 cross-compiler) or clang's
-Rpass=loop-vectorize. Each loop marked "// fast loop" in the source that the ufunc runs must be
reported vectorised in every clone the module builds of it, for every stride at which it reads its
inputs where they are: the plain one, and on x86-64 the AVX2 and the AVX-512 ones, each in wider
vectors than the one before (except where the source sets the width). Fails, naming the ufunc and the loop, otherwise.

With GCC it also reads the module's assembly for a vector of all ones made inside a loop with
vpternlogd into a register that the loop also writes otherwise: the instruction waits for that
register's last value, and so every pass of the loop for the one before (GCC 12 did this in the
AVX-512 Gregorian to julian day loop, which took twice as long).
"""

import re
import subprocess
import sys
import sysconfig
import tempfile
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import numpy

ROOT = Path(__file__).resolve().parent.parent
# the ufuncs' loops, marked in the machinery and compiled in the file of the ufunc table
MARKED = ROOT / "module" / "loops.hpp"
SOURCE = ROOT / "module" / "ufuncs.cpp"

# (ufunc, input type, loops): integer inputs run one loop (one of two, by the output), julian days two.
# The Jalali ufuncs come in both calendars.
CALENDARS = ["calendar::arithmetic_calendar", "calendar::astronomical_calendar"]
GREGORIAN = ["julian_day_from_gregorian_date"]
JALALI = ["jalali_leap_year", "days_in_jalali_year", "days_in_jalali_month", "julian_day_from_jalali_date",
          "jalali_date_from_gregorian_date"]
INTEGER = GREGORIAN + [f"{fn}<{c}>" for fn in JALALI for c in CALENDARS]
TO_JULIAN_DAYS = ["julian_day_from_gregorian_date"] + [f"julian_day_from_jalali_date<{c}>" for c in CALENDARS]
FAST = [(fn, t, "to julian days" if fn in TO_JULIAN_DAYS else "integer") for fn in INTEGER for t in ("npy_int32", "npy_int64")]
FAST += [(fn, "double", "julian day") for fn in ["gregorian_date_from_julian_day"]
         + [f"jalali_date_from_julian_day<{c}>" for c in CALENDARS]]

COMPILERS = {
    # GCC vectorises a loop's remainder too, and reports it: not here, so that each report is a clone's
    "gcc": (["g++", "-fira-loop-pressure", "-fopt-info-vec-optimized", "--param=vect-epilogues-nomask=0"], r"optimized: loop vectorized using (\d+) byte vectors"),
    "clang": (["clang++", "-Rpass=loop-vectorize"], r"remark: vectorized loop \(vectorization width: (\d+)"),
    "aarch64": (["aarch64-linux-gnu-g++", "-fira-loop-pressure", "-fopt-info-vec-optimized", "--param=vect-epilogues-nomask=0"], r"optimized: loop vectorized using (\d+) byte vectors"),
}


# The inputs of each ufunc; the fast form reads them where they are as the rows of an (n, 2) or
# (n, 3) array (one input at either stride, or two or three inputs of as many columns), besides
# contiguous, where they are of its own type (int32, or double for julian days): one form for each,
# the (n, 3) one built from AVX2 on.
NIN = {"jalali_leap_year": 1, "days_in_jalali_year": 1, "days_in_jalali_month": 2,
       "julian_day_from_jalali_date": 3, "jalali_date_from_gregorian_date": 3, "julian_day_from_gregorian_date": 3,
       "gregorian_date_from_julian_day": 1, "jalali_date_from_julian_day": 1}


def forms(fn, input_type):
    """The strides, in elements, of the fast forms of `fn` built for `input_type`."""
    if input_type == "npy_int64":  # read through a buffer, clamped into 32 bits
        return [1]
    nin = NIN[fn.split("<")[0]]
    return [1] + [every for every in (2, 3) if nin in (1, every)]


def expected_reports(fn, input_type, x86):
    """How many clones of each marked loop must be reported vectorised: on x86-64 the plain, AVX2
    and AVX-512 ones of every form (but the plain one of the (n, 3) form, which is not built)."""
    strides = forms(fn, input_type)
    return sum(2 if every == 3 else 3 for every in strides) if x86 else len(strides)


def fast_loops():
    """The marked loops' line numbers: two for julian days (to the day number, then on), one for
    integer inputs that give julian days, one for the other integer inputs."""
    lines = [n for n, line in enumerate(MARKED.read_text().splitlines(), 1) if line.rstrip().endswith("// fast loop")]
    assert len(lines) == 4, lines
    return {"julian day": lines[:2], "to julian days": lines[2:3], "integer": lines[3:]}


def compile_module(compiler, output, *options, source=SOURCE):
    """Compiles a file of the array module to `output` (-c or -S as `options` say): the compiler's
    messages."""
    command = [compiler, "-std=c++17", "-O3", "-fno-trapping-math", "-fPIC", "-Wall", "-Wextra", str(source),
               "-o", output, f"-I{ROOT}", f"-I{sysconfig.get_paths()['include']}", f"-I{numpy.get_include()}",
               "-DNPY_NO_DEPRECATED_API=NPY_1_7_API_VERSION", "-DNPY_TARGET_VERSION=NPY_1_19_API_VERSION", *options]
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"{' '.join(command)}\n{result.stderr}")
    return result.stderr


def report(compiler, flags, fn, input_type):
    with tempfile.TemporaryDirectory() as out:
        return compile_module(compiler, f"{out}/m.o", "-c", f"-DALGORITHMS_C_ONLY=std::pair<{fn}, {input_type}>",
                              *flags)


# The passes over columns of datetimes: each loop marked "// column loop" in their file, built
# with one calendar and one kind of column alone (ALGORITHMS_C_ONLY). A mark may say
# "ticks" or "days" (the loop runs for int64 ticks or int32 days alone), and "avx2" or "avx512" (the
# narrowest clone whose instructions it needs: 64-bit comparisons come with SSE4.1, and 64-bit
# integers to doubles and their products with AVX-512).
COLUMNS = ROOT / "module" / "columns.cpp"
COLUMN_MARKED = [ROOT / "module" / "column_pass.hpp", COLUMNS]  # the loops of every pass, and the fields' own
COLUMN_PASSES = [(c, t) for c in CALENDARS for t in ("std::int64_t", "std::int32_t")]
CLONE_WIDTHS = {"plain": 3, "avx2": 2, "avx512": 1}  # how many clones, from the narrowest that must vectorise


def column_loops():
    """(file name, line, kind of column or None, narrowest clone) of every marked column loop."""
    found = []
    for path in COLUMN_MARKED:
        for n, line in enumerate(path.read_text().splitlines(), 1):
            mark = re.search(r"// column loop(?:: (.*))?$", line.rstrip())
            if mark:
                words = [w.strip() for w in (mark.group(1) or "").split(",") if w.strip()]
                column = next((w for w in words if w in ("ticks", "days")), None)
                clone = next((w for w in words if w in CLONE_WIDTHS), "plain")
                found.append((path.name, n, column, clone))
    assert len(found) >= 5, found
    return found


def column_report(compiler, flags, calendar, column):
    with tempfile.TemporaryDirectory() as out:
        return compile_module(compiler, f"{out}/c.o", "-c", f"-DALGORITHMS_C_ONLY=std::pair<{calendar}, {column}>",
                              *flags, source=COLUMNS)


def check_columns(kind, compiler, flags, pattern):
    """The failures of the column loops: each must be reported vectorised in as many widths as
    there are clones from the narrowest it needs (on x86-64), or at all (on aarch64, where the
    ones that need AVX2 or AVX-512 are only reported)."""
    with ThreadPoolExecutor(2) as pool:
        reports = list(pool.map(lambda p: column_report(compiler, flags, *p), COLUMN_PASSES))
    failures = []
    for (calendar, column), text in zip(COLUMN_PASSES, reports):
        ticks = column == "std::int64_t"
        for name, line, kind_of_column, clone in column_loops():
            if kind_of_column is not None and (kind_of_column == "ticks") != ticks:
                continue
            widths = sorted({int(w) for w in re.findall(rf"{re.escape(name)}:{line}:\d+: {pattern}", text)})
            needed = CLONE_WIDTHS[clone] if kind != "aarch64" else (1 if clone == "plain" else 0)
            ok = len(widths) >= needed
            print(f"{'ok' if ok else 'NOT VECTORISED'}: column pass <{calendar}, {column}>, {name}:{line} "
                  f"({clone} and wider): {widths or 'no report'}")
            if not ok:
                failures.append(f"column pass <{calendar}, {column}> {name}:{line}")
    return failures


def loops(assembly):
    """(function, body) of every loop of one basic block in the assembly, as the vectorised loops
    are: the instructions from a label to a jump back to it, with no label between."""
    function, label, body = None, None, []
    for line in assembly.splitlines():
        if re.match(r"^[A-Za-z_][\w.$]*:", line):
            function, label, body = line[:-1], None, []
        elif re.match(r"^\.L\w+:", line):
            label, body = line[:-1], []
        elif line.startswith("\t") and not line.startswith("\t."):
            body.append(line.strip())
            jump = re.match(r"^j\w+\s+(\.L\w+)$", body[-1])
            if jump and jump.group(1) == label:
                yield function, body


def assembly_of_module(compiler, flags, source=SOURCE):
    with tempfile.TemporaryDirectory() as out:
        compile_module(compiler, f"{out}/m.s", "-S", *[f for f in flags if not f.startswith(("-fopt-info", "--param"))],
                       source=source)
        return Path(f"{out}/m.s").read_text()


def chained_ones(assembly):
    """(function, instruction) for each vector of all ones that a loop of the assembly makes by
    vpternlogd in a register that the loop also writes otherwise (the last operand, in AT&T syntax)."""
    found = []
    for function, body in loops(assembly):
        for line in body:
            ones = re.match(r"^vpternlog[dq]\s+\$0xff,\s*(%[xyz]mm\d+),\s*\1,\s*\1$", line, re.IGNORECASE)
            if ones and any(other != line and re.search(re.escape(ones.group(1)) + r"(\{[^}]*\})*$", other)
                            for other in body):
                found.append((function, line))
    return found


def main():
    kind = sys.argv[1]
    (compiler, *flags), pattern = COMPILERS[kind]
    x86 = kind != "aarch64"
    loops = fast_loops()
    with ThreadPoolExecutor(2) as pool:
        reports = list(pool.map(lambda f: report(compiler, flags, f[0], f[1]), FAST))
    failures = []
    for (fn, input_type, kind_of_input), text in zip(FAST, reports):
        for line in loops[kind_of_input]:
            widths = [int(w) for w in re.findall(rf"{MARKED.name}:{line}:\d+: {pattern}", text)]
            # on x86-64 a report for each clone, in three widths: plain, AVX2 and AVX-512; but clang
            # is told the width of the loops to julian days
            fixed = kind == "clang" and kind_of_input == "to julian days"
            needed = expected_reports(fn, input_type, x86)
            ok = len(widths) >= needed and (len(set(widths)) >= (1 if fixed else 3) or not x86)
            print(f"{'ok' if ok else 'NOT VECTORISED'}: {fn}<{input_type}>, line {line}: {widths or 'no report'} "
                  f"(of {needed})")
            if not ok:
                failures.append(f"{fn}<{input_type}> line {line}")
    failures += check_columns(kind, compiler, flags, pattern)
    if failures:
        sys.exit(f"{kind}: fast loops not vectorised: {', '.join(failures)}")
    print(f"{kind}: every fast loop vectorised")
    if kind == "gcc":
        chained = chained_ones(assembly_of_module(compiler, flags) + assembly_of_module(compiler, flags, COLUMNS))
        for function, line in chained:
            print(f"CHAINED: {function}: {line}")
        if chained:
            sys.exit("gcc: a loop makes its vector of all ones in a register that it also writes")
        print("gcc: no loop makes its vector of all ones in a register that it also writes")


if __name__ == "__main__":
    main()
