"""The choice of numerics from outside the library: the document key "numerics", the option
--numerics of `stochvar show` and `stochvar sample`, which overrides it, what the summaries say,
and the JSON Schema of the key."""

import json
import os
import pathlib
import re
import subprocess

import jsonschema
import pytest

CLI = os.environ["STOCHVAR_CLI"]
SOURCE_DIR = pathlib.Path(os.environ["STOCHVAR_SOURCE_DIR"])
SCHEMA = json.loads((SOURCE_DIR / "docs" / "document.schema.json").read_text())

# Two normal variables correlated 0.5 in X-space: their U-space correlation is 0.5 too, which the
# faithful numerics give as 0.49997 and the accurate ones within 1e-10.
NORMALS = {
    "variables": [
        {"name": "A", "type": "NORMAL", "values": {"MEAN": 0, "STDDEV": 1}},
        {"name": "B", "type": "NORMAL", "values": {"MEAN": 5, "STDDEV": 2}},
    ],
    "correlations": [{"between": ["A", "B"], "value": 0.5, "space": "X"}],
}


def run(*args):
    return subprocess.run([CLI, *map(str, args)], capture_output=True, text=True)


def write(tmp_path, doc, name="doc.json"):
    path = tmp_path / name
    path.write_text(json.dumps(doc))
    return path


# The document's key, the command line's option, and the numerics that run.
CHOICES = [
    (None, [], "faithful"),
    ("accurate", [], "accurate"),
    ("faithful", [], "faithful"),
    ("accurate", ["--numerics", "faithful"], "faithful"),
    ("faithful", ["--numerics", "accurate"], "accurate"),
    (None, ["--numerics=accurate"], "accurate"),
]


@pytest.mark.parametrize("key, option, expected", CHOICES)
def test_the_option_overrides_the_document_and_the_summaries_say_which_ran(
        tmp_path, key, option, expected):
    doc = dict(NORMALS, **({"numerics": key} if key else {}))
    path = write(tmp_path, doc)
    show = run("show", path, *option)
    assert show.returncode == 0, show.stderr
    assert f"numerics: {expected}\n" in show.stdout
    rho_u = float(re.search(r"U-space  (\S+)", show.stdout).group(1))
    assert (abs(rho_u - 0.5) < 1e-10) == (expected == "accurate"), rho_u
    sample = run("sample", path, "-n", 10, *option)
    assert sample.returncode == 0, sample.stderr
    assert f"numerics: {expected}\n" in sample.stdout


def test_latin_hypercube_strata_hold_one_value_each_only_with_accurate_numerics(tmp_path):
    path = write(tmp_path, {"variables": [
        {"name": "U", "type": "UNIFORM", "values": {"LOWER_BOUND": 0, "UPPER_BOUND": 1}}]})
    n = 10000
    filled = {}
    for numerics in ("faithful", "accurate"):
        out = tmp_path / f"{numerics}.csv"
        assert run("sample", path, "--lhs", "-n", n, "--seed", 1, "--numerics", numerics,
                   "--out", out).returncode == 0
        values = [float(x) for x in out.read_text().split()[1:]]
        filled[numerics] = len({min(int(x * n), n - 1) for x in values})
    assert filled == {"faithful": 8188, "accurate": n}  # 81.9 % as docs/sampling.md says


def test_json_keeps_the_choice_and_binary_drops_it_with_a_warning(tmp_path):
    path = write(tmp_path, dict(NORMALS, numerics="accurate"))
    assert run("convert", path, tmp_path / "copy.json").returncode == 0
    assert '\n  "numerics": "accurate",\n' in (tmp_path / "copy.json").read_text()
    binary = run("convert", path, tmp_path / "doc.svc")
    assert binary.returncode == 0
    assert '"numerics": "accurate" is not written' in binary.stderr
    assert "numerics: faithful\n" in run("show", tmp_path / "doc.svc").stdout
    # Without a choice of its own a document is written as before, without the key.
    assert run("convert", write(tmp_path, NORMALS), tmp_path / "plain.json").returncode == 0
    assert "numerics" not in (tmp_path / "plain.json").read_text()


@pytest.mark.parametrize("value, valid", [("faithful", True), ("accurate", True),
                                          ("Accurate", False), ("exact", False), (1, False)])
def test_schema_and_reader_agree_on_the_key(tmp_path, value, valid):
    doc = dict(NORMALS, numerics=value)
    assert jsonschema.Draft202012Validator(SCHEMA).is_valid(doc) == valid
    assert run("show", write(tmp_path, doc)).returncode == (0 if valid else 1)


def test_an_unknown_option_value_is_a_usage_error():
    result = run("sample", "-n", 10, "--numerics", "exact")
    assert result.returncode == 2
    assert '--numerics takes faithful or accurate, not "exact"' in result.stderr
