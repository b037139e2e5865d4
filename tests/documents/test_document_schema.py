"""The JSON Schema of collection documents (docs/document.schema.json): every example is valid,
documents of the wrong shape are not, and the command-line host refuses those too, so that the
schema and the reader agree on the shape of a document."""

import json
import os
import pathlib
import subprocess

import jsonschema
import pytest

SOURCE_DIR = pathlib.Path(os.environ.get("STOCHVAR_SOURCE_DIR", pathlib.Path(__file__).parents[2]))
SCHEMA = json.loads((SOURCE_DIR / "docs" / "document.schema.json").read_text())
VALIDATOR = jsonschema.Draft202012Validator(SCHEMA)
EXAMPLES = sorted((SOURCE_DIR / "examples").glob("*.json"))

NORMAL = {"name": "N", "type": "NORMAL", "values": {"MEAN": 1, "STDDEV": 2}}


def document(variable=None, correlations=None, **top):
    doc = {"variables": [NORMAL] + ([variable] if variable else [])}
    if correlations is not None:
        doc["correlations"] = correlations
    doc.update(top)
    return doc


def test_schema_is_a_valid_schema():
    jsonschema.Draft202012Validator.check_schema(SCHEMA)


def test_there_are_examples():
    assert len(EXAMPLES) >= 4


@pytest.mark.parametrize("path", EXAMPLES, ids=lambda path: path.name)
def test_every_example_is_valid(path):
    VALIDATOR.validate(json.loads(path.read_text()))


VALID = {
    "input type by number, also written 1.0": document(
        {"name": "A", "type": "NORMAL", "input": 1.0, "values": {"MEAN": 3, "COV": 0.1}}),
    "axis with bounds and no auto": document(
        {"name": "A", "type": "UNIFORM", "values": {"LOWER_BOUND": 0, "UPPER_BOUND": 1},
         "axis": {"min": -1, "max": 2}}),
    "discrete without categories (kept, not sampled)": document(
        {"name": "D", "type": "DISCRETE", "categories": []}),
}

INVALID = {
    "unknown top-level key": document(variable_list=[]),
    "no variables": {"correlations": []},
    "unknown family": document({"name": "A", "type": "normal", "values": {"MEAN": 1}}),
    "unknown parameter keyword": document(
        {"name": "A", "type": "NORMAL", "values": {"MEAN": 1, "SIGMA": 1}}),
    "value that is not a number": document(
        {"name": "A", "type": "NORMAL", "values": {"MEAN": "1", "STDDEV": 1}}),
    "continuous variable without values": document({"name": "A", "type": "NORMAL"}),
    "discrete variable with values": document(
        {"name": "D", "type": "DISCRETE", "categories": [], "values": {"MEAN": 1}}),
    "continuous variable with categories": document(dict(NORMAL, name="A", categories=[])),
    "negative frequency": document(
        {"name": "D", "type": "DISCRETE", "categories": [{"name": "a", "frequency": -1}]}),
    "automatic axis with bounds": document(
        dict(NORMAL, name="A", axis={"auto": True, "min": 0, "max": 1})),
    "fixed axis without bounds": document(dict(NORMAL, name="A", axis={"auto": False})),
    "negative input type number": document(dict(NORMAL, name="A", input=-1)),
    "misspelt variable key": document(dict(NORMAL, name="A", vlaues={})),
    "correlation beyond one": document(
        dict(NORMAL, name="A"), [{"between": ["N", "A"], "value": 1.5, "space": "X"}]),
    "unknown space": document(
        dict(NORMAL, name="A"), [{"between": ["N", "A"], "value": 0.5, "space": "Z"}]),
    "correlation of three variables": document(
        dict(NORMAL, name="A"), [{"between": ["N", "A", "N"], "value": 0.5, "space": "U"}]),
}


def shown_by_reader(doc, tmp_path):
    """The exit code of `stochvar show` on the document, or None without the program."""
    cli = os.environ.get("STOCHVAR_CLI")
    if not cli:
        return None
    path = tmp_path / "doc.json"
    path.write_text(json.dumps(doc))
    return subprocess.run([cli, "show", str(path)], capture_output=True, text=True).returncode


@pytest.mark.parametrize("doc", VALID.values(), ids=VALID.keys())
def test_valid_shapes_are_read(doc, tmp_path):
    VALIDATOR.validate(doc)
    assert shown_by_reader(doc, tmp_path) in (None, 0)


@pytest.mark.parametrize("doc", INVALID.values(), ids=INVALID.keys())
def test_invalid_shapes_are_refused_by_schema_and_reader(doc, tmp_path):
    assert not VALIDATOR.is_valid(doc)
    assert shown_by_reader(doc, tmp_path) in (None, 1)
