"""The mutants of the mutation run: small changes of the C++ sources, found
by scanning each file's text and chosen deterministically from a seed.

A mutant is one replacement of a span of a file's text. Comments, string and
character literals, preprocessor lines and static assertions are never
mutated. The kinds:
  relational  < <= > >= moved across the boundary
  equality    == and != swapped
  arithmetic  + - * / % and += -= swapped
  bitwise     & | ^ << >> and &= |= swapped
  logical     && and || swapped
  constant    an integer literal moved by one
  negation    the condition of an if or while negated
  call        a call whose result is used replaced by its type's zero value
              (false, 0, null), without making the call
  statement   an expression statement (a call or an assignment) removed
"""

import bisect
import dataclasses
import random
import re


@dataclasses.dataclass
class Mutant:
    file: str  # relative to the source root
    start: int  # offsets into the file's text
    end: int
    replacement: str
    kind: str
    line: int  # 1-based, of start
    last_line: int  # 1-based, of end
    original_text: str = ""  # the source line(s), trimmed
    mutated_text: str = ""

    def apply(self, text):
        return text[:self.start] + self.replacement + text[self.end:]

    def key(self):
        return f"{self.file}:{self.line}:{self.start}:{self.kind}"


def masked(text):
    """The text with comments, literals, preprocessor lines and static
    assertions blanked out (newlines kept), so that offsets stay the same."""
    out = list(text)
    i, n = 0, len(text)
    line_start = True

    def blank(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "

    while i < n:
        c = text[i]
        if line_start and c in " \t":
            i += 1
            continue
        if line_start and c == "#":
            j = i
            while j < n:
                e = text.find("\n", j)
                if e < 0:
                    e = n
                if e > 0 and text[e - 1] == "\\":
                    j = e + 1
                    continue
                break
            blank(i, e)
            i = e
            continue
        line_start = False
        if c == "\n":
            line_start = True
            i += 1
        elif text.startswith("//", i):
            e = text.find("\n", i)
            e = n if e < 0 else e
            blank(i, e)
            i = e
        elif text.startswith("/*", i):
            e = text.find("*/", i + 2)
            e = n if e < 0 else e + 2
            blank(i, e)
            i = e
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            blank(i + 1, j)
            i = j + 1
        else:
            i += 1
    s = "".join(out)
    for m in re.finditer(r"\bstatic_assert\s*\(", s):
        close = matching_paren(s, m.end() - 1)
        if close > 0:
            blank(m.start(), close + 1)
    return "".join(out)


def matching_paren(s, open_at):
    depth = 0
    for k in range(open_at, len(s)):
        if s[k] == "(":
            depth += 1
        elif s[k] == ")":
            depth -= 1
            if depth == 0:
                return k
    return -1


BINARY = {
    "<": ("relational", "<="), "<=": ("relational", "<"), ">": ("relational", ">="), ">=": ("relational", ">"),
    "==": ("equality", "!="), "!=": ("equality", "=="),
    "+": ("arithmetic", "-"), "-": ("arithmetic", "+"), "*": ("arithmetic", "/"), "/": ("arithmetic", "*"),
    "%": ("arithmetic", "*"), "+=": ("arithmetic", "-="), "-=": ("arithmetic", "+="),
    "&": ("bitwise", "|"), "|": ("bitwise", "&"), "^": ("bitwise", "|"), "<<": ("bitwise", ">>"),
    ">>": ("bitwise", "<<"), "&=": ("bitwise", "|="), "|=": ("bitwise", "&="),
    "&&": ("logical", "||"), "||": ("logical", "&&"),
}
# Binary operators as the one format writes them: a blank on each side.
# Template brackets, unary operators, pointers and references have none.
BINARY_RE = re.compile(r"(?<= )(<<=|>>=|<=|>=|==|!=|<<|>>|&&|\|\||\+=|-=|&=|\|=|<|>|\+|-|\*|/|%|&|\||\^)(?= )")
INTEGER_RE = re.compile(r"(?<![\w.])(0[xX][0-9a-fA-F]+|\d+)([uU]?[lL]{0,2}|[lL]{1,2}[uU]?)(?![\w.])")
CONDITION_RE = re.compile(r"\b(if|while)\s*\(")
CALL_RE = re.compile(r"(?<![\w.>:])((?:[A-Za-z_]\w*::)*[A-Z]\w*[a-z]\w*)\s*\(")
USED_BEFORE = ("=", "(", "!", "&&", "||", "return", "?", ",")
KEYWORDS = {"return", "if", "for", "while", "switch", "case", "else", "do", "break", "continue", "goto",
            "typedef", "using", "static_assert", "delete", "new", "throw", "default", "namespace",
            "const", "static", "constexpr", "auto", "struct", "class", "enum", "template"}
STATEMENT_RE = re.compile(
    r"^[ \t]*(\*?[A-Za-z_][\w:]*(?:\s*(?:\.|->)\s*[A-Za-z_]\w*|\[[^\]\n]*\])*)\s*(=(?!=)|\+=|-=|\|=|&=|\+\+|--|\()",
    re.M)


class _Lines:
    def __init__(self, text):
        self.starts = [0] + [m.end() for m in re.finditer("\n", text)]

    def of(self, offset):
        return bisect.bisect_right(self.starts, offset)


def _preceding_token(s, at):
    k = at - 1
    while k >= 0 and s[k] in " \t\n":
        k -= 1
    if k < 0:
        return ""
    if s[k].isalnum() or s[k] == "_":
        j = k
        while j >= 0 and (s[j].isalnum() or s[j] == "_"):
            j -= 1
        return s[j + 1:k + 1]
    if k >= 1 and s[k - 1:k + 1] in ("&&", "||"):
        return s[k - 1:k + 1]
    return s[k]


def _statement_end(s, start):
    depth = 0
    for k in range(start, len(s)):
        ch = s[k]
        if ch in "([{":
            depth += 1
        elif ch in ")]}":
            depth -= 1
            if depth < 0:
                return -1
        elif ch == ";" and depth == 0:
            return k
    return -1


def candidates(path, text):
    """Every mutant of one file's text, in file order."""
    s = masked(text)
    lines = _Lines(text)
    found = []

    def add(start, end, replacement, kind):
        found.append(Mutant(path, start, end, replacement, kind, lines.of(start), lines.of(end - 1)))

    for m in BINARY_RE.finditer(s):
        kind, replacement = BINARY[m.group(1)]
        add(m.start(1), m.end(1), replacement, kind)
    for m in INTEGER_RE.finditer(s):
        digits = m.group(1)
        value = int(digits, 16) if digits[:2].lower() == "0x" else int(digits)
        # Deterministic direction: up for zero and odd positions, else down.
        moved = value + 1 if value == 0 or m.start() % 2 else value - 1
        replacement = hex(moved) if digits[:2].lower() == "0x" else str(moved)
        add(m.start(1), m.end(1), replacement, "constant")
    for m in CONDITION_RE.finditer(s):
        if re.match(r"\s*constexpr", s[m.end(1):]):
            continue
        close = matching_paren(s, m.end() - 1)
        if close < 0:
            continue
        inner = text[m.end():close]
        add(m.end(), close, "!(" + inner + ")", "negation")
    for m in CALL_RE.finditer(s):
        name = m.group(1)
        if name.isupper() or _preceding_token(s, m.start()) not in USED_BEFORE:
            continue
        close = matching_paren(s, m.end() - 1)
        if close < 0:
            continue
        call = text[m.start():close + 1]
        add(m.start(), close + 1, "decltype(" + call + "){}", "call")
    for m in STATEMENT_RE.finditer(s):
        head = m.group(1).lstrip("*")
        if head.split("::")[-1] in KEYWORDS or head in KEYWORDS:
            continue
        start = m.start(1)
        end = _statement_end(s, start)
        if end < 0:
            continue
        # A statement that holds a lambda is left whole: its span takes in
        # the lambda's own statements.
        if "{" in s[start:end] and "}" in s[start:end] and "[" in s[start:end]:
            continue
        add(start, end, "", "statement")
    found.sort(key=lambda mu: (mu.start, mu.kind))
    for mu in found:
        first = lines.starts[mu.line - 1]
        last_end = text.find("\n", mu.end)
        last_end = len(text) if last_end < 0 else last_end
        mu.original_text = " ".join(text[first:last_end].split())
        mu.mutated_text = " ".join(mu.apply(text)[first:last_end + len(mu.replacement) - (mu.end - mu.start)].split())
    return found


def choose(files, total, seed):
    """For each file (path, text), its candidates in the order the run takes
    them, and how many of them the run keeps: a share of total in proportion
    to the file's lines. The run takes the next candidate of the same file
    when one does not compile. Every kind present in a file is spread over
    its order, so that no one kind fills a file's share."""
    rng = random.Random(seed)
    sizes = {path: text.count("\n") + 1 for path, text in files}
    all_lines = sum(sizes.values())
    plan = []
    for path, text in sorted(files):
        by_kind = {}
        for mu in candidates(path, text):
            by_kind.setdefault(mu.kind, []).append(mu)
        for kind in by_kind:
            rng.shuffle(by_kind[kind])
        kinds = sorted(by_kind)
        rng.shuffle(kinds)
        order = []
        while any(by_kind.values()):
            for kind in kinds:
                if by_kind[kind]:
                    order.append(by_kind[kind].pop())
        share = max(1, round(total * sizes[path] / all_lines))
        plan.append((path, order, min(share, len(order))))
    return plan
