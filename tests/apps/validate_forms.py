#!/usr/bin/env python3
"""Issue 14: the generated JSON schema of forms, checked with a real validator.

- the schema is a valid draft 2020-12 schema;
- every example form and every form the loader takes from the fuzz corpus validates;
- every --template form validates;
- a few broken forms are refused by both the schema and the loader.

Exit 77 (a skip for ctest) only when python3-jsonschema is not installed.
"""
import argparse
import json
import pathlib
import subprocess
import sys

try:
    import jsonschema
except ImportError:
    print("SKIPPED: python3-jsonschema is not installed (scripts/bootstrap.sh installs it)")
    sys.exit(77)


def run(cmd):
    return subprocess.run(cmd, check=True, capture_output=True, text=True).stdout


def loads(tool, path):
    return subprocess.run([tool, "--loads", str(path)], capture_output=True, text=True).returncode == 0


def validator_for(text, out):
    out.write_text(text)
    schema = json.loads(text)
    jsonschema.Draft202012Validator.check_schema(schema)
    return jsonschema.Draft202012Validator(schema)


def first_error(validator, form):
    errors = sorted(validator.iter_errors(form), key=lambda e: list(e.absolute_path))
    return None if not errors else "%s: %s" % ("/".join(map(str, errors[0].absolute_path)), errors[0].message[:300])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--dwrender", required=True)
    ap.add_argument("--tool", required=True)
    ap.add_argument("--forms", required=True)
    ap.add_argument("--corpus", required=True)
    ap.add_argument("--out", required=True)
    a = ap.parse_args()
    out = pathlib.Path(a.out)
    out.mkdir(parents=True, exist_ok=True)
    faults = []

    package = validator_for(run([a.dwrender, "--schema"]), out / "form.schema.json")
    examples = sorted(pathlib.Path(a.forms).glob("*.json"))
    if not examples:
        faults.append("no example forms in " + a.forms)
    for f in examples:
        err = first_error(package, json.loads(f.read_text()))
        if err:
            faults.append("%s does not validate: %s" % (f, err))

    # The corpus is written for the framework's test classes: the tool's schema knows them too.
    with_tests = validator_for(run([a.tool, "--schema"]), out / "form-with-test-classes.schema.json")
    loaded = 0
    for f in sorted(pathlib.Path(a.corpus).glob("*.json")):
        if not loads(a.tool, f):
            continue
        loaded += 1
        try:
            form = json.loads(f.read_text())
        except ValueError as e:  # the loader took what Python's reader refuses
            faults.append("%s loads but is no JSON to Python: %s" % (f, e))
            continue
        err = first_error(with_tests, form)
        if err:
            faults.append("%s loads but does not validate: %s" % (f, err))
    if loaded < 3:
        faults.append("only %d corpus forms load; expected the valid ones (full, minimal, two-way, ...)" % loaded)

    classes = package.schema["$defs"]["component"]["properties"]["class"]["enum"]
    for c in classes:
        path = out / ("template-%s.json" % c)
        path.write_text(run([a.dwrender, "--template", c]))
        err = first_error(package, json.loads(path.read_text()))
        if err:
            faults.append("--template %s does not validate: %s" % (c, err))
        if not loads(a.tool, path):
            faults.append("--template %s does not load" % c)

    def gauge(props):
        return {"format": "dialworks-form", "version": 1,
                "components": [{"class": "TDWAngularGauge", "name": "G", "properties": props}]}

    broken = {
        "misspelt colour": gauge({"Color": "bleu"}),
        "colour without alpha digits": gauge({"Color": "0xFF00"}),
        "wrong enumeration member": gauge({"Elements": [{"class": "TDWGaugeMinMaxHandElement", "Mode": "gmmMid"}]}),
        "misspelt property": gauge({"Scael": {}}),
        "element class the collection refuses": gauge({"Elements": [{"class": "TDWAngularGauge"}]}),
        "element without class": gauge({"Elements": [{"Mode": "gmmMin"}]}),
        "range share as text": gauge({"Ranges": {"Ranges": [{"Range": "half"}]}}),
        "negative tick count": gauge({"Scale": {"MajorTicks": {"Count": -1}}}),
        "pin with properties": gauge({"InputPin": {"Value": 1}}),
        "unknown class": {"format": "dialworks-form", "version": 1, "components": [{"class": "TDWAngularGauges"}]},
        "unknown top-level key": {"format": "dialworks-form", "version": 1, "widht": 10},
        "wrong format": {"format": "form", "version": 1},
    }
    for what, form in broken.items():
        if first_error(package, form) is None:
            faults.append("the schema accepts a form with a %s" % what)
        path = out / "broken.json"
        path.write_text(json.dumps(form))
        if loads(a.tool, path):
            faults.append("the loader accepts a form with a %s" % what)

    for f in faults:
        print("FAIL:", f)
    print("%d example forms, %d corpus forms, %d templates valid; %d broken forms refused by both"
          % (len(examples), loaded, len(classes), len(broken)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
