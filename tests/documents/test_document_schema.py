"""The JSON Schema of collection documents (docs/document.schema.json) agrees with the reader: each
example and each document below is valid exactly when `stochvar show` reads it (exit code 0), and
the reader refuses the others as a whole for the reason given (exit code 1)."""

import json
import os
import pathlib

import jsonschema
import pytest
from owned_process import run

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


CASES = [(json.loads(path.read_text()), None) for path in EXAMPLES] + [  # document, refusal
    (doc(dict(A, input=1.0, values={"MEAN": 3, "COV": 0.1})), None),
    (doc(dict(A, axis={"min": -1, "max": 2})), None),
    (doc({"name": "D", "type": "DISCRETE", "categories": []}), None),
    (doc(numerics="accurate"), None),
    (doc(numerics="Accurate"), 'document: "numerics" must be "faithful" or "accurate"'),
    (doc(variable_list=[]),
     'document: unknown key "variable_list" (expected description, limitState, numerics, '
     'variables, correlations)'),
    (doc(limitState="N - A / 2"), None),
    (doc(limitState="N - Q"), None),  # kept as text: only an analysis parses it
    (doc(limitState=""), 'document: "limitState" is empty: give g, or leave the key out'),
    (doc(limitState=3), 'document: "limitState" must be a string'),
    ({"correlations": []}, 'document: "variables" must be an array of variables'),
    (doc(dict(A, type="normal")), 'A: unknown family "normal"'),
    (doc(dict(A, values={"MEAN": 1, "SIGMA": 1})), 'A: unknown parameter keyword "SIGMA"'),
    (doc(dict(A, values={"MEAN": "1", "STDDEV": 1})), 'A: "MEAN" must be a number'),
    (doc({"name": "A", "type": "NORMAL"}), 'A: "values" is missing'),
    (doc({"name": "D", "type": "DISCRETE", "categories": [], "values": {"MEAN": 1}}),
     "D: a DISCRETE variable has categories, no input type or values"),
    (doc(dict(A, categories=[])), "A: only a DISCRETE variable has categories"),
    (doc({"name": "D", "type": "DISCRETE", "categories": [{"name": "a", "frequency": -1}]}),
     "D: Frequency must be >= 0"),
    (doc(dict(A, axis={"auto": True, "min": 0, "max": 1})),
     'A: an automatic axis takes no "min" or "max"'),
    (doc(dict(A, axis={"auto": False})), 'A: "min" is missing'),
    (doc(dict(A, input=-1)), "A: unknown input type -1 (known: 0 /MEAN/STDDEV, 1 /MEAN/COV)"),
    (doc(dict(A, vlaues={})),
     'A: unknown key "vlaues" (expected name, type, input, values, categories, axis, canChange)'),
    (doc(A, {"value": 1.5}),
     "correlation N / A: the correlation 1.5 does not lie between -1 and 1"),
    (doc(A, {"space": "Z"}), 'correlation N / A: "space" must be "X" or "U"'),
    (doc(A, {"between": ["N", "A", "N"]}), 'correlation 1: "between" must name two variables'),
    (doc(dict(A, input="")), 'A: unknown input type "" (known: 0 /MEAN/STDDEV, 1 /MEAN/COV)'),
]


BOM = "\ufeff"  # before the document: ignored by the reader, as the schema's description says


@pytest.mark.parametrize("document, refusal", CASES)
@pytest.mark.parametrize("prefix", ["", BOM])
def test_schema_and_reader_agree(document, refusal, prefix, tmp_path):
    assert "byte order mark" in SCHEMA["description"]
    assert VALIDATOR.is_valid(document) == (refusal is None)
    if "STOCHVAR_CLI" in os.environ:  # a build without the command-line host checks the schema
        path = tmp_path / "doc.json"
        path.write_text(prefix + json.dumps(document), encoding="utf-8")
        shown = run([os.environ["STOCHVAR_CLI"], "show", str(path)], text=True, timeout=60)
        assert shown.returncode == (0 if refusal is None else 1), shown.stderr
        expected = f"stochvar: error: {path}: {refusal}" if refusal else ""
        assert shown.stderr.startswith(expected), shown.stderr
