"""The JSON Schema of collection documents (docs/document.schema.json) agrees with the reader: each
example and each document below is valid exactly when `stochvar show` reads it (exit code 0)."""

import json
import os
import pathlib
import subprocess

import jsonschema
import pytest

SOURCE_DIR = pathlib.Path(os.environ.get("STOCHVAR_SOURCE_DIR", pathlib.Path(__file__).parents[2]))
SCHEMA = json.loads((SOURCE_DIR / "docs" / "document.schema.json").read_text())
jsonschema.Draft202012Validator.check_schema(SCHEMA)
VALIDATOR = jsonschema.Draft202012Validator(SCHEMA)
EXAMPLES = sorted((SOURCE_DIR / "examples").glob("*.json"))
assert len(EXAMPLES) >= 4
N = {"name": "N", "type": "NORMAL", "values": {"MEAN": 1, "STDDEV": 2}}
A = dict(N, name="A")


def doc(variable=None, *correlations, **top):
    return dict({"variables": [N] + ([variable] if variable else []),
                 "correlations": [{"between": ["N", "A"], "value": 0.5, "space": "X"} | c
                                  for c in correlations]}, **top)


CASES = [(json.loads(path.read_text()), True) for path in EXAMPLES] + [  # document, valid
    (doc(dict(A, input=1.0, values={"MEAN": 3, "COV": 0.1})), True),
    (doc(dict(A, axis={"min": -1, "max": 2})), True),
    (doc({"name": "D", "type": "DISCRETE", "categories": []}), True),
    (doc(numerics="accurate"), True),
    (doc(numerics="Accurate"), False),
    (doc(variable_list=[]), False),
    ({"correlations": []}, False),
    (doc(dict(A, type="normal")), False),
    (doc(dict(A, values={"MEAN": 1, "SIGMA": 1})), False),
    (doc(dict(A, values={"MEAN": "1", "STDDEV": 1})), False),
    (doc({"name": "A", "type": "NORMAL"}), False),
    (doc({"name": "D", "type": "DISCRETE", "categories": [], "values": {"MEAN": 1}}), False),
    (doc(dict(A, categories=[])), False),
    (doc({"name": "D", "type": "DISCRETE", "categories": [{"name": "a", "frequency": -1}]}), False),
    (doc(dict(A, axis={"auto": True, "min": 0, "max": 1})), False),
    (doc(dict(A, axis={"auto": False})), False),
    (doc(dict(A, input=-1)), False),
    (doc(dict(A, vlaues={})), False),
    (doc(A, {"value": 1.5}), False),
    (doc(A, {"space": "Z"}), False),
    (doc(A, {"between": ["N", "A", "N"]}), False),
]


@pytest.mark.parametrize("document, valid", CASES)
def test_schema_and_reader_agree(document, valid, tmp_path):
    assert VALIDATOR.is_valid(document) == valid
    if "STOCHVAR_CLI" in os.environ:  # a build without the command-line host checks the schema
        path = tmp_path / "doc.json"
        path.write_text(json.dumps(document))
        shown = subprocess.run([os.environ["STOCHVAR_CLI"], "show", str(path)], capture_output=True)
        assert shown.returncode == (0 if valid else 1), shown.stderr
