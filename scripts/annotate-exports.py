#!/usr/bin/env python3
"""Marks what the libraries export with DW_API (dialworks/Export.h), mechanically.

Run after adding or changing headers under src/dialworks (it only adds what is missing):
    python3 scripts/annotate-exports.py [--check]
In every header of src/dialworks/<area>/:
  - a class or struct DEFINED at namespace scope (a line starting "class X" / "struct X" with a
    base list or body; not a forward declaration, not a template) becomes "class DW_API X";
  - a function DECLARED at namespace scope (a line at column 0 whose statement ends in ";", not
    a template, inline, constexpr or static one) gets DW_API in front;
  - "extern" variables get DW_API after "extern";
  - a class defined inside a #define (a macro that declares classes) gets DW_API too;
  - the header includes "dialworks/Export.h" when it uses DW_API.
Class templates and inline functions are left alone: every user compiles them itself.
--check reports the headers that would change and exits 1 (for CI or a pre-merge look).
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent / "src" / "dialworks"
CLASS_RE = re.compile(r"^(class|struct)\s+(?!DW_API\b)([A-Za-z_]\w*)(\s+final)?\s*(:(?!:)|\{)")
MACRO_CLASS_RE = re.compile(r"^(\s+)(class|struct)\s+(?!DW_API\b)([A-Za-z_]\w*)(\s+final)?\s*(:(?!:)|\{)")
SKIP_FUNC = re.compile(r"^(template\b|using\b|typedef\b|namespace\b|class\b|struct\b|enum\b|union\b|#|//|/\*|\*|}|"
                       r"static_assert\b|extern\b|inline\b|constexpr\b|consteval\b|static\b|friend\b|return\b|"
                       r"DW_API\b|public:|private:|protected:|[A-Z_]+\(|\))")


def statement_end(lines, i):
    """Index of the line that ends the statement starting at line i, and its last significant char."""
    depth = 0
    for j in range(i, min(i + 40, len(lines))):
        code = lines[j].split("//")[0]
        for ch in code:
            if ch == "(":
                depth += 1
            elif ch == ")":
                depth -= 1
            elif depth == 0 and ch in ";{":
                return j, ch
    return i, ""


def previous_code_line(lines, i):
    j = i - 1
    while j >= 0 and (not lines[j].strip() or lines[j].lstrip().startswith("//")):
        j -= 1
    return lines[j] if j >= 0 else ""


def annotate(text):
    lines = text.split("\n")
    out = list(lines)
    changed = False
    for i, line in enumerate(lines):
        # A class a macro defines (its body continues the #define line).
        if i > 0 and lines[i - 1].rstrip().endswith("\\"):
            m = MACRO_CLASS_RE.match(line)
            if m:
                new = f"{m.group(1)}{m.group(2)} DW_API {line[m.end(2):].lstrip()}"
                # Keep the continuation backslashes in their column.
                out[i] = re.sub(r" {7}\\$", "\\\\", new) if new.endswith("\\") else new
                changed = True
            continue
        if not line or line[0] in " \t":
            continue
        prev = previous_code_line(lines, i)
        templated = prev.startswith("template") or (prev.rstrip().endswith(">") and "template" in prev)
        m = CLASS_RE.match(line)
        if m:
            if not templated:
                out[i] = f"{m.group(1)} DW_API {line[len(m.group(1)) + 1:].lstrip()}"
                changed = True
            continue
        if line.startswith("extern ") and not line.startswith('extern "C"') and "DW_API" not in line:
            out[i] = "extern DW_API " + line[len("extern "):]
            changed = True
            continue
        if SKIP_FUNC.match(line) or "(" not in line or templated:
            continue
        if not re.match(r"^[A-Za-z_][\w:<>,\s\*&]*[\s\*&]~?[A-Za-z_][\w:]*(operator\s*\S+)?\s*\(", line) and \
                not re.match(r"^[A-Za-z_][\w:<>,\s\*&]*\s+operator\s*[^\s(]+\s*\(", line):
            continue
        end, ch = statement_end(lines, i)
        if ch == ";" and "= delete" not in " ".join(lines[i:end + 1]):
            out[i] = "DW_API " + line
            changed = True
    result = "\n".join(out)
    if "DW_API" in result and '#include "dialworks/Export.h"' not in result:
        # After "#pragma once" and the system includes: before the first project include, or
        # right after the pragma when there is none.
        res_lines = result.split("\n")
        at = next((k for k, l in enumerate(res_lines) if l.startswith('#include "')), None)
        if at is None:
            p = next(k for k, l in enumerate(res_lines) if l.startswith("#pragma once"))
            res_lines[p + 1:p + 1] = ["", '#include "dialworks/Export.h"']
        else:
            res_lines[at:at] = ['#include "dialworks/Export.h"']
        result = "\n".join(res_lines)
        changed = True
    return result, changed


def main():
    check = "--check" in sys.argv[1:]
    pending = []
    for header in sorted(ROOT.glob("*/*.h")):
        text = header.read_text()
        new, changed = annotate(text)
        if changed and new != text:
            pending.append(header)
            if not check:
                header.write_text(new)
    for header in pending:
        print(("would annotate " if check else "annotated ") + str(header.relative_to(ROOT.parent.parent)))
    return 1 if (check and pending) else 0


if __name__ == "__main__":
    sys.exit(main())
