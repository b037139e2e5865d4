"""Every C++ source keeps the repository's clang-format style and every C++ and Python line its
100 columns (counted in characters, as an editor shows them).

    /usr/bin/python3 scripts/check_format.py [--clang-format PATH] [CHECKOUT]

Prints each file that `make format` would change and each line that is too long, and exits 1
when there is any; clang-format cannot break a raw string, and it does not format Python.
"""

import argparse
import pathlib
import subprocess
import sys

COLUMN_LIMIT = 100
SOURCE_FOLDERS = ("stochvar", "apps", "tests", "bench", "examples", "python", "tools", "fuzz")


def sources(checkout, patterns):
    for folder in SOURCE_FOLDERS:
        for pattern in patterns:
            yield from sorted((checkout / folder).rglob(pattern))


def unformatted(clang_format, files):
    for path in files:
        run = subprocess.run([clang_format, "--dry-run", "--Werror", str(path)],
                             capture_output=True, timeout=60)
        if run.returncode != 0:
            yield path


def long_lines(path):
    text = path.read_text(encoding="utf-8")
    for number, line in enumerate(text.splitlines(), start=1):
        if len(line) > COLUMN_LIMIT:
            yield number, len(line)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--clang-format", default="clang-format")
    parser.add_argument("checkout", nargs="?", type=pathlib.Path,
                        default=pathlib.Path(__file__).resolve().parent.parent)
    args = parser.parse_args()
    cpp = list(sources(args.checkout, ("*.h", "*.cpp")))
    python = list(sources(args.checkout, ("*.py",)))
    problems = [f"{p.relative_to(args.checkout)}: not formatted (make format)"
                for p in unformatted(args.clang_format, cpp)]
    problems += [f"{p.relative_to(args.checkout)}:{n}: {length} columns"
                 for p in cpp + python for n, length in long_lines(p)]
    for problem in problems:
        print(problem)
    print(f"{len(cpp)} C++ and {len(python)} Python files, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
