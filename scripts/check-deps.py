#!/usr/bin/env python3
"""Checks that every external program the scripts and tests run comes from a
package that scripts/install-deps.sh installs.

  scripts/check-deps.py [--root DIR] [--static] [--list]

1. Finds the programs that the sources run: the commands of every shell
   script (their bodies parsed as the shell reads them: pipelines, command
   lists, substitutions, traps, `bash -c` strings, wrappers such as `exec`,
   `env` or `timeout`; here-document bodies, builtins, functions and the
   project's own paths left out), the COMMANDs, compilers and find_program
   names of the CMake files, the subprocess calls of the Python scripts, and
   in C++ sources that start processes the command strings handed to
   system/popen/command_output, program_on_path("...") and a PATH search of
   dir + "/name".
2. Every such program must have its line in scripts/programs.txt.
3. Every package named there must be installed by scripts/install-deps.sh
   --test (the superset), or be part of every Debian system (Essential, or
   Priority required). A script that itself calls install-deps.sh with a
   mode (run.sh --show, build-windows.sh --windows) needs the packages of
   the programs it reaches (the scripts and CMake files it names) in the list
   of that mode.
4. Unless --static: every program listed is on PATH now, so a wrong line in
   the table shows too.

--list prints every program found with the first place that runs it.
Exit code 1 with one line per problem, naming the program, where it is run
and the package to add."""

import os
import re
import shutil
import subprocess
import sys

SKIP_DIRS = {".git", "node_modules", "__pycache__"}
TABLE = "scripts/programs.txt"
INSTALLER = "scripts/install-deps.sh"

BUILTINS = set(""". : [ alias bg bind break builtin caller cd command compgen complete
compopt continue declare dirs disown echo enable eval exec exit export false fc fg
getopts hash help history jobs kill let local logout mapfile popd printf pushd pwd
read readarray readonly return set shift shopt source suspend test times trap true
type typeset ulimit umask unalias unset wait""".split())
KEYWORDS_BEFORE_COMMAND = {"if", "then", "else", "elif", "do", "while", "until", "!", "{", "time"}
KEYWORDS_AFTER_COMMAND = {"fi", "done", "esac", "}"}
# Commands that run the command named by a later word.
WRAPPERS = {"exec", "env", "nice", "nohup", "setsid", "stdbuf", "timeout", "xargs", "sudo",
            "command", "time"}
ASSIGNMENT = re.compile(r"^[A-Za-z_][A-Za-z0-9_]*(\[[^]]*\])?\+?=")
PROGRAM_NAME = re.compile(r"^[A-Za-z0-9_][A-Za-z0-9_.+-]*$")


class Word:
    def __init__(self, line):
        self.line = line
        self.raw = ""          # the word as written
        self.value = ""        # the word with quotes removed (expansions kept as written)
        self.expanded = False  # holds $... or `...`
        self.inner = []        # (text, line) of command and process substitutions


class ShellLexer:
    """Words and operators of shell text, here-document bodies skipped."""

    OPERATORS = ["&&", "||", ";;", ";&", "|&", "&>", ">>", "<<<", "<<", "<&", ">&", "<(", ">(",
                 ";", "&", "|", "(", ")", "<", ">"]

    def __init__(self, text, line=1):
        self.s = text
        self.i = 0
        self.line = line
        self.tokens = []
        self.heredocs = []

    def run(self):
        s = self.s
        word = None
        while self.i < len(s):
            c = s[self.i]
            if c == "\\" and s.startswith("\\\n", self.i):
                self.i += 2
                self.line += 1
                continue
            if c in " \t\r":
                word = self.end(word)
                self.i += 1
                continue
            if c == "\n":
                word = self.end(word)
                self.tokens.append(("op", "\n", self.line))
                self.i += 1
                self.line += 1
                self.skip_heredocs()
                continue
            if c == "#" and word is None:
                while self.i < len(s) and s[self.i] != "\n":
                    self.i += 1
                continue
            op = next((o for o in self.OPERATORS if s.startswith(o, self.i)), None)
            if op is not None and not (op in ("<(", ">(") and word is not None):
                if op in ("<", ">", ">>", ">&", "<&") and word is not None and word.raw.isdigit():
                    word = None  # 2>&1: the descriptor belongs to the redirection
                word = self.end(word)
                self.i += len(op)
                if op in ("<(", ">("):
                    text, start = self.balanced("(", ")")
                    self.tokens.append(("subst", (text, start), self.line))
                    continue
                if op == "<<":
                    self.read_heredoc_word()
                    continue
                self.tokens.append(("op", op, self.line))
                continue
            if word is None:
                word = Word(self.line)
            self.read_word_part(word)
        self.end(word)
        return self.tokens

    def end(self, word):
        if word is not None:
            self.tokens.append(("word", word, word.line))
        return None

    def read_word_part(self, word):
        s = self.s
        c = s[self.i]
        if c == "'":
            j = s.index("'", self.i + 1) if "'" in s[self.i + 1:] else len(s)
            part = s[self.i + 1:j]
            word.raw += s[self.i:j + 1]
            word.value += part
            self.line += part.count("\n")
            self.i = j + 1
        elif c == '"':
            word.raw += c
            self.i += 1
            while self.i < len(s) and s[self.i] != '"':
                if s[self.i] == "\\" and self.i + 1 < len(s):
                    word.raw += s[self.i:self.i + 2]
                    word.value += s[self.i + 1]
                    if s[self.i + 1] == "\n":
                        self.line += 1
                    self.i += 2
                elif s[self.i] in "$`":
                    self.read_expansion(word)
                else:
                    if s[self.i] == "\n":
                        self.line += 1
                    word.raw += s[self.i]
                    word.value += s[self.i]
                    self.i += 1
            word.raw += '"'
            self.i += 1
        elif c == "\\":
            word.raw += s[self.i:self.i + 2]
            word.value += s[self.i + 1:self.i + 2]
            self.i += 2
        elif c in "$`":
            self.read_expansion(word)
        else:
            word.raw += c
            word.value += c
            self.i += 1

    def read_expansion(self, word):
        s = self.s
        start = self.i
        if s.startswith("$((", self.i):
            self.i += 2
            self.balanced("(", ")")
        elif s.startswith("$(", self.i):
            self.i += 2
            text, line = self.balanced("(", ")")
            word.inner.append((text, line))
        elif s.startswith("${", self.i):
            self.i += 2
            text, line = self.balanced("{", "}")
            default = re.match(r"^[A-Za-z_][A-Za-z0-9_]*:?[-=]", text)
            if default and "$(" in text:
                word.inner.append((text[default.end():], line))
        elif s[self.i] == "`":
            j = s.find("`", self.i + 1)
            j = len(s) if j < 0 else j
            word.inner.append((s[self.i + 1:j], self.line))
            self.i = j + 1
        else:
            self.i += 1
            m = re.match(r"[A-Za-z_][A-Za-z0-9_]*|[0-9@*#?$!-]", s[self.i:])
            if m:
                self.i += m.end()
        word.raw += s[start:self.i]
        word.value += s[start:self.i]
        word.expanded = True

    def balanced(self, open_c, close_c):
        """The text up to the matching close_c (self.i just past the opener)."""
        s = self.s
        depth = 1
        start = self.i
        line = self.line
        while self.i < len(s):
            c = s[self.i]
            if c == "\\":
                self.i += 2
                continue
            if c == "'" and open_c == "(":
                j = s.find("'", self.i + 1)
                self.line += s[self.i:j].count("\n")
                self.i = (j if j >= 0 else len(s)) + 1
                continue
            if c == '"':
                j = self.i + 1
                while j < len(s) and s[j] != '"':
                    j += 2 if s[j] == "\\" else 1
                self.line += s[self.i:j].count("\n")
                self.i = j + 1
                continue
            if c == "\n":
                self.line += 1
            if c == open_c:
                depth += 1
            elif c == close_c:
                depth -= 1
                if depth == 0:
                    self.i += 1
                    return s[start:self.i - 1], line
            self.i += 1
        return s[start:], line

    def read_heredoc_word(self):
        s = self.s
        m = re.match(r"-?[ \t]*(['\"]?)([A-Za-z0-9_]+)\1", s[self.i:])
        if m:
            self.heredocs.append((m.group(2), s[self.i] == "-"))
            self.i += m.end()

    def skip_heredocs(self):
        for delimiter, strip_tabs in self.heredocs:
            while self.i < len(self.s):
                end = self.s.find("\n", self.i)
                end = len(self.s) if end < 0 else end
                text = self.s[self.i:end]
                self.i = end + 1
                self.line += 1
                if (text.lstrip("\t") if strip_tabs else text) == delimiter:
                    break
        self.heredocs = []


class ShellScanner:
    """The commands of one shell file: (program or path, line, plain?)."""

    def __init__(self, functions):
        self.functions = functions  # names defined anywhere: not programs
        self.defaults = {}          # NAME=${NAME:-program} or NAME=program
        self.found = []             # (word value, line, plain)
        self.paths = []             # (argument, line): words that may name project files

    def scan(self, text, line=1):
        tokens = ShellLexer(text, line).run()
        self.walk(tokens)
        return self.found

    def walk(self, tokens):
        expect_command = True
        state = None          # "for": words up to a separator; "case_word", "pattern"
        wrapper = None        # the wrapper whose command follows
        skip_next_word = False
        array_literal = False
        command = None        # the command word of the current simple command
        args = []
        i = 0
        while i < len(tokens):
            kind, value, line = tokens[i]
            if kind == "subst":
                self.scan(*value)
                i += 1
                continue
            if kind == "word":
                for text, start in value.inner:
                    self.scan(text, start)
            if array_literal:
                if kind == "op" and value == ")":
                    array_literal = False
                i += 1
                continue
            if kind == "op":
                if value in ("<", ">", ">>", "&>", ">&", "<&", "<<<"):
                    skip_next_word = True
                elif state == "pattern" and value == ")":
                    state = None
                    expect_command = True
                elif state == "pattern":
                    pass
                elif value in (";;", ";&"):
                    state = "pattern"
                    self.finish(command, args)
                    command, args, wrapper = None, [], None
                else:
                    if value in ("\n", ";") and state == "for":
                        state = None
                    self.finish(command, args)
                    command, args, wrapper = None, [], None
                    expect_command = True
                i += 1
                continue
            word = value
            if skip_next_word:
                skip_next_word = False
                i += 1
                continue
            if state == "for":
                i += 1
                continue
            if state == "case_word":
                if word.value == "in":
                    state = "pattern"
                i += 1
                continue
            if state == "pattern":
                if word.value == "esac":
                    state = None
                    expect_command = False
                i += 1
                continue
            if not expect_command:
                args.append(word)
                i += 1
                continue
            v = word.value
            following = tokens[i + 1] if i + 1 < len(tokens) else None
            if ASSIGNMENT.match(word.raw):
                name, _, rhs = word.raw.partition("=")
                if following and following[0] == "op" and following[1] == "(" and rhs == "":
                    array_literal = True
                    i += 2
                    continue
                self.remember(name.rstrip("+"), word)
                i += 1
                continue
            if not word.expanded and v in KEYWORDS_BEFORE_COMMAND:
                i += 1
                continue
            if not word.expanded and v in KEYWORDS_AFTER_COMMAND:
                expect_command = False
                i += 1
                continue
            if not word.expanded and v in ("for", "select"):
                state = "for"
                i += 1
                continue
            if not word.expanded and v == "case":
                state = "case_word"
                i += 1
                continue
            if not word.expanded and v in ("[[", "(("):
                while i < len(tokens) and not (tokens[i][0] == "word" and tokens[i][1].value in ("]]", "))")):
                    i += 1
                i += 1
                expect_command = False
                continue
            if not word.expanded and v == "function":
                if i + 1 < len(tokens) and tokens[i + 1][0] == "word":
                    self.functions.add(tokens[i + 1][1].value)
                i += 2
                continue
            if (following and following[0] == "op" and following[1] == "(" and i + 2 < len(tokens)
                    and tokens[i + 2][0] == "op" and tokens[i + 2][1] == ")"):
                self.functions.add(v)
                i += 3
                continue
            if wrapper is not None and self.wrapper_argument(wrapper, word):
                i += 1
                continue
            resolved = self.resolve(word)
            if resolved == "SUDO":
                i += 1
                continue
            if resolved in WRAPPERS and not word.expanded:
                if resolved == "command" and following and following[0] == "word" and \
                        following[1].value in ("-v", "-V"):
                    command, args = "command", []
                    expect_command = False
                    i += 1
                    continue
                wrapper = resolved
                i += 1
                continue
            command, args = (resolved, word), []
            expect_command = False
            i += 1
        self.finish(command, args)

    def wrapper_argument(self, wrapper, word):
        """True for the wrappers' own options and operands."""
        v = word.value
        if v.startswith("-"):
            return True
        if wrapper == "env" and ASSIGNMENT.match(v):
            return True
        if wrapper == "timeout" and re.match(r"^[0-9.]+[smhd]?$", v):
            return True
        return False

    def remember(self, name, word):
        rhs = word.value.split("=", 1)[1]
        m = re.match(r"^\$\{" + re.escape(name) + r":?-([^}]*)\}$", rhs)
        candidate = m.group(1) if m else rhs
        if PROGRAM_NAME.match(candidate) and not candidate.isdigit():
            self.defaults[name] = candidate

    def resolve(self, word):
        """The program a command word names, "" for none it can know."""
        if word.expanded:
            m = re.match(r"^\$\{?([A-Za-z_][A-Za-z0-9_]*)\}?$", word.value)
            if m and m.group(1) == "SUDO":
                return "SUDO"
            if m and m.group(1) in self.defaults:
                return self.defaults[m.group(1)]
            return ""
        return word.value

    def finish(self, command, args):
        if command is None:
            return
        if command == "command":
            return
        name, word = command
        if name == "":
            return
        self.found.append((name, word.line, "/" not in name))
        if name == "trap" and args:
            self.scan(args[0].value, args[0].line)
        elif name in ("bash", "sh") and len(args) >= 2 and args[0].value == "-c":
            self.scan(args[1].value, args[1].line)
        elif name == "eval" and args:
            self.scan(" ".join(a.value for a in args), args[0].line)
        elif name == "find":
            for k, a in enumerate(args[:-1]):
                if a.value in ("-exec", "-execdir", "-ok"):
                    self.found.append((args[k + 1].value, args[k + 1].line,
                                       "/" not in args[k + 1].value))
        self.paths.extend((a.value, a.line) for a in args)


def is_shell(path, text):
    first = text.split("\n", 1)[0]
    return path.endswith(".sh") or (first.startswith("#!") and re.search(r"\b(ba)?sh\b", first))


def source_files(root):
    for base, dirs, files in os.walk(root):
        rel_base = os.path.relpath(base, root)
        dirs[:] = sorted(d for d in dirs if d not in SKIP_DIRS and not d.startswith(".") and
                         not (rel_base == "." and d.startswith("build")))
        for f in sorted(files):
            yield os.path.normpath(os.path.join(rel_base, f))


def read(root, rel):
    try:
        with open(os.path.join(root, rel), encoding="utf-8") as f:
            return f.read()
    except (UnicodeDecodeError, OSError):
        return None


def cmake_programs(text, targets):
    """(program, line) of the COMMANDs, compilers and find_program names."""
    found = []
    variables = dict(re.findall(r"set\(\s*([A-Za-z_0-9]+)\s+([A-Za-z0-9_.+-]+)\s*\)", text))

    def expand(v):
        return re.sub(r"\$\{([A-Za-z_0-9]+)\}", lambda m: variables.get(m.group(1), m.group(0)), v)

    for m in re.finditer(r"\bCOMMAND\s+(\S+)", text):
        found.append((expand(m.group(1)), m.start()))
    for m in re.finditer(r"set\(\s*CMAKE_(?:C|CXX|RC)_COMPILER\s+(\S+?)\s*\)", text):
        found.append((expand(m.group(1)), m.start()))
    for m in re.finditer(r"find_program\(\s*\w+\s+(?:NAMES\s+)?([A-Za-z0-9_.+-]+)", text):
        found.append((m.group(1), m.start()))
    # The compilers of the project's languages, unless a toolchain file names them.
    project = re.search(r"project\([^)]*LANGUAGES([^)]*)\)", text)
    if project:
        languages = project.group(1).split()
        for language, compiler in (("CXX", "c++"), ("C", "cc")):
            if language in languages:
                found.append((compiler, project.start()))
    result = []
    for name, at in found:
        if "$" in name or "/" in name or name in targets or not PROGRAM_NAME.match(name):
            continue
        result.append((name, text.count("\n", 0, at) + 1))
    return result


def python_programs(text):
    found = []
    for m in re.finditer(r"subprocess\.\w+\(\s*\[\s*[\"']([^\"']+)[\"']|os\.system\(\s*[\"']([^\"' ]+)|"
                         r"shutil\.which\(\s*[\"']([^\"']+)[\"']", text):
        name = next(g for g in m.groups() if g)
        found.append((name, text.count("\n", 0, m.start()) + 1))
    return found


def cpp_programs(text):
    """Programs that C++ code starts: only in files that start processes."""
    if not re.search(r"std::system\(|\bpopen\(|posix_spawnp?\(|\bexec[lv]p?e?\(", text):
        return []
    found = []
    patterns = [r"(?:std::system|popen|command_output)\(\s*\"([A-Za-z0-9_.+-]+)[ \"]",
                r"std::string\s+\w*command\w*\s*=\s*\"([A-Za-z0-9_.+-]+)[ \"]",
                r"program_on_path\(\s*\"([A-Za-z0-9_.+-]+)\"\s*\)"]
    if 'getenv("PATH")' in text:
        patterns.append(r"\+\s*\"/([A-Za-z0-9_+-]+)\"")
    for pattern in patterns:
        for m in re.finditer(pattern, text):
            found.append((m.group(1), text.count("\n", 0, m.start()) + 1))
    return [(n, l) for n, l in found if n not in BUILTINS]


def read_table(root):
    table = {}
    problems = []
    text = read(root, TABLE)
    if text is None:
        return table, [f"no {TABLE}"]
    for number, line in enumerate(text.split("\n"), 1):
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        fields = line.split()
        if len(fields) != 2:
            problems.append(f"{TABLE}:{number}: expected 'PROGRAM PACKAGE', got '{line}'")
            continue
        table[fields[0]] = fields[1]
    return table, problems


def install_list(root, mode):
    out = subprocess.run(["bash", os.path.join(root, INSTALLER), "--list", mode],
                         capture_output=True, text=True)
    if out.returncode != 0:
        raise SystemExit(f"FAIL: {INSTALLER} --list {mode}: {out.stderr.strip()}")
    return set(out.stdout.split())


_base_system = {}


def base_system_package(package):
    """Essential or Priority required: on every Debian system."""
    if package not in _base_system:
        out = subprocess.run(["dpkg-query", "-W", "-f=${Essential} ${Priority}", package],
                             capture_output=True, text=True)
        fields = out.stdout.split() if out.returncode == 0 else []
        _base_system[package] = "yes" in fields[:1] or "required" in fields[-1:]
    return _base_system[package]


def package_owning(program):
    """The installed package that holds the program found on PATH, if any."""
    path = shutil.which(program)
    if not path:
        return None
    real = os.path.realpath(path)
    for candidate in (real, path, "/bin/" + os.path.basename(real)):
        out = subprocess.run(["dpkg-query", "-S", candidate], capture_output=True, text=True)
        if out.returncode == 0:
            return out.stdout.split(":", 1)[0]
    return None


def main(argv):
    root = "."
    static = "--static" in argv
    listing = "--list" in argv
    if "--root" in argv:
        root = argv[argv.index("--root") + 1]
    files = [f for f in source_files(root)]
    texts = {f: read(root, f) for f in files}
    texts = {f: t for f, t in texts.items() if t is not None}
    targets = set()
    for f, t in texts.items():
        if f.endswith("CMakeLists.txt") or f.endswith(".cmake"):
            targets |= set(re.findall(r"add_(?:executable|library|custom_target)\(\s*([A-Za-z0-9_.+-]+)", t))

    functions = set()
    shell_files = [f for f, t in texts.items() if is_shell(f, t)]
    # Functions first, from every file, so that sourced helpers are known.
    for f in shell_files:
        functions |= set(re.findall(r"^\s*(?:function\s+)?([A-Za-z_][A-Za-z0-9_]*)\s*\(\s*\)", texts[f], re.M))

    uses = {}      # file -> [(program, line)]
    mentions = {}  # file -> words that may name other project files
    for f in shell_files:
        scanner = ShellScanner(functions)
        found = scanner.scan(texts[f])
        first = texts[f].split("\n", 1)[0]
        interpreter = re.match(r"^#!\s*(?:/usr/bin/env\s+)?(\S+)", first)
        plain = [(n, l) for n, l, is_plain in found if is_plain]
        if interpreter:
            plain.append((os.path.basename(interpreter.group(1)), 1))
        uses[f] = [(n, l) for n, l in plain if n not in BUILTINS and n not in functions and n]
        mentions[f] = [n for n, _, is_plain in found if not is_plain] + [p for p, _ in scanner.paths]
    for f, t in texts.items():
        if f.endswith("CMakeLists.txt") or f.endswith(".cmake"):
            uses[f] = cmake_programs(t, targets)
            mentions[f] = []
        elif f.endswith(".py"):
            uses[f] = python_programs(t)
            first = t.split("\n", 1)[0]
            if first.startswith("#!"):
                uses[f].append((os.path.basename(first.split()[-1]), 1))
            mentions[f] = []
        elif f.endswith((".cpp", ".cc", ".h")):
            uses[f] = cpp_programs(t)
            mentions[f] = []

    if listing:
        first_use = {}
        for f in sorted(uses):
            for n, l in uses[f]:
                first_use.setdefault(n, f"{f}:{l}")
        for n in sorted(first_use):
            print(f"{n}\t{first_use[n]}")
        return 0

    table, problems = read_table(root)
    lists = {"--test": install_list(root, "--test")}

    # Scripts that install a mode of their own, and what they reach.
    def reached_from(start):
        seen, todo = set(), [start]
        while todo:
            f = todo.pop()
            if f in seen:
                continue
            seen.add(f)
            for m in mentions.get(f, []):
                m = re.sub(r"^-D[A-Za-z_0-9]+=", "", m)
                m = re.sub(r"^(\$\{?[A-Za-z_0-9]+\}?|\.\.?)/", "", m)
                for candidate in (os.path.normpath(m), os.path.normpath(os.path.join(os.path.dirname(f), m))):
                    if candidate in uses:
                        todo.append(candidate)
        return seen

    mode_of = {}
    for f in shell_files:
        m = re.search(r"^\s*(?:\S*/)?install-deps\.sh\s+(--show|--windows|--test)\b", texts[f], re.M)
        if m and f != INSTALLER:
            mode_of[f] = m.group(1)
    required = {}  # (program, mode) -> first place
    for f in sorted(uses):
        for n, l in uses[f]:
            required.setdefault((n, "--test"), f"{f}:{l}")
    for entry, mode in sorted(mode_of.items()):
        lists.setdefault(mode, install_list(root, mode))
        for f in sorted(reached_from(entry)):
            for n, l in uses.get(f, []):
                required.setdefault((n, mode), f"{f}:{l} (reached from {entry})")

    for (program, mode), where in sorted(required.items(), key=lambda x: (x[1], x[0])):
        package = table.get(program)
        if package is None:
            owner = package_owning(program)
            hint = f"; here it comes from package {owner}" if owner else ""
            problems.append(f"{program} (run at {where}) has no line in {TABLE}: add "
                            f"'{program} PACKAGE' there and PACKAGE to {INSTALLER}{hint}")
            continue
        if package not in lists[mode] and not base_system_package(package):
            problems.append(f"{program} (run at {where}) comes from package {package}, which "
                            f"{INSTALLER} {mode} does not install: add it to that list")
    for program, package in sorted(table.items()):
        if package not in lists["--test"] and not base_system_package(package):
            problems.append(f"{TABLE}: package {package} (of {program}) is not in {INSTALLER} --test")
        if not static and shutil.which(program) is None:
            problems.append(f"{program} is not on PATH although {TABLE} says package {package} "
                            f"installs it")
    for p in problems:
        print(f"FAIL: {p}", file=sys.stderr)
    programs = len({p for p, _ in required})
    if not problems:
        print(f"dependencies: {programs} programs run by the scripts and tests, each from a package "
              f"the install step installs")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
