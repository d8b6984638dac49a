#!/usr/bin/env bash
# Lists the functions of the program's sources that are longer than a limit (60 lines unless
# told), longest first, as "path:line: lines name". Exits 1 when there is one, 0 when there is none.
#
#   scripts/long_functions.sh [--max N] [files or folders...]   (default: app/)
#
# A simple scan, not a compiler: comments, strings and character literals are skipped, and a body
# is a brace that follows a parenthesis outside any other function (namespaces and classes are
# looked into). A function's length counts from the line its name is on to its closing brace.
set -euo pipefail
cd "$(dirname "$0")/.."

max=60
if [[ "${1:-}" == "--max" ]]; then
  max="$2"
  shift 2
fi
[[ $# -gt 0 ]] || set -- app

mapfile -t files < <(find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
[[ ${#files[@]} -gt 0 ]] || exit 0

exec /usr/bin/python3 - "$max" "${files[@]}" <<'EOF'
import re
import sys

limit = int(sys.argv[1])
found = []


def code_of(text):
    """The text with comments, strings and character literals blanked (line breaks kept)."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append("\n" * text.count("\n", i, j))
            i = j
        elif text.startswith('R"', i):
            m = re.match(r'R"([^(\s]*)\(', text[i:])
            end = text.find(")" + m.group(1) + '"', i) if m else -1
            j = n if end < 0 else end + len(m.group(1)) + 2
            out.append(' ""' + "\n" * text.count("\n", i, j))
            i = j
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(c + c)
            i = j + 1
        elif c == "#" and (i == 0 or text[i - 1] == "\n"):
            # A preprocessor line (and its continuations) holds no body.
            j = i
            while True:
                k = text.find("\n", j)
                if k < 0 or text[k - 1] != "\\":
                    break
                j = k + 1
            i = n if k < 0 else k
        else:
            out.append(c)
            i += 1
    return "".join(out)


def scan(path):
    code = code_of(open(path, encoding="utf-8", errors="replace").read())
    # Each open brace: whether it is a function's body, where its head began, the head's name.
    stack = []
    head_start = 0  # where the text before the next brace began (after the last ; { or })
    line = 1
    for i, c in enumerate(code):
        if c == "\n":
            line += 1
        elif c == "{":
            head = code[head_start:i]
            inside_function = any(kind == "function" for kind, _, _ in stack)
            kind = "block"
            if not inside_function:
                words = head.split()
                if re.search(r"\bnamespace\b|\bextern\s+\"\"", head):
                    kind = "scope"
                elif words and words[0] in ("class", "struct", "union", "enum") and "(" not in head:
                    kind = "scope"
                elif "(" in head and not re.search(r"=\s*$", head.strip()):
                    kind = "function"
            first = head_start + len(head) - len(head.lstrip())
            name = re.search(r"([~\w:<>]+)\s*\(", head)
            stack.append((kind, code.count("\n", 0, first) + 1, name.group(1) if name else "?"))
            head_start = i + 1
        elif c == "}":
            if stack:
                kind, start, name = stack.pop()
                if kind == "function" and line - start + 1 > limit:
                    found.append((line - start + 1, path, start, name))
            head_start = i + 1
        elif c == ";":
            head_start = i + 1


for path in sys.argv[2:]:
    scan(path)
for lines, path, start, name in sorted(found, key=lambda f: (-f[0], f[1], f[2])):
    print(f"{path}:{start}: {lines} {name}")
sys.exit(1 if found else 0)
EOF
