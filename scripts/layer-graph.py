#!/usr/bin/env python3
"""Draws the layers of the source tree from its #include lines, and checks them.

The layers, lowest first: core/ (the framework and its seams), effects/, app/,
tools/. The platform implementations are the files of core/ that include a
platform library's header (SDL, X11, Win32, libpng, libmpg123, ...); they sit
beside core and only core's seams may be reached from them. A file may include
its own layer and the layers below it, never one above.

  scripts/layer-graph.py                 the picture as a mermaid flowchart
  scripts/layer-graph.py --text          the picture as text, with include counts
  scripts/layer-graph.py --check-readme README.md
                                         also fails when the picture between the
                                         README's layer-graph markers is not the
                                         one drawn now
  scripts/layer-graph.py --update-readme README.md
                                         writes the picture into the README
  scripts/layer-graph.py --self-test     checks the checker on trees made up here

Exit code 0 when every include points down or sideways, 1 when one points up
(each such include is printed on standard error), 2 on bad usage.
"""

import argparse
import os
import re
import sys
import tempfile

LAYERS = ["core", "effects", "app", "tools"]  # lowest first
PLATFORM = "platform"
SOURCE_ENDINGS = (".h", ".hpp", ".cpp", ".cc", ".c", ".inc")
# Headers whose inclusion makes a core/ file a platform implementation.
PLATFORM_HEADERS = re.compile(
    r"^(SDL[^/]*\.h|X11/.*|windows\.h|mmsystem\.h|mmreg\.h|msacm\.h|wincodec\.h|"
    r"png\.h|mpg123\.h|emscripten.*)$")
# Window-system headers: only platform implementations may include them.
WINDOW_SYSTEM_HEADERS = re.compile(r"^(SDL[^/]*\.h|X11/.*|emscripten.*)$")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
README_BEGIN = "<!-- layer-graph begin: drawn by scripts/layer-graph.py -->"
README_END = "<!-- layer-graph end -->"


def rank(group):
    return 0 if group == PLATFORM else LAYERS.index(group)


def source_files(root):
    """Paths relative to root of every source file under the layer folders."""
    found = []
    for layer in LAYERS:
        top = os.path.join(root, layer)
        for folder, dirs, files in os.walk(top):
            dirs.sort()
            for name in sorted(files):
                if name.endswith(SOURCE_ENDINGS):
                    found.append(os.path.relpath(os.path.join(folder, name), root))
    return found


def read_includes(root, path):
    """(kind, target, line number) of every #include of a file; kind is < or "."""
    with open(os.path.join(root, path), encoding="utf-8", errors="replace") as text:
        for number, line in enumerate(text, 1):
            match = INCLUDE.match(line)
            if match:
                yield match.group(1), match.group(2), number


def resolve(root, path, target):
    """The tree-relative file a quoted include names, or None outside the layers."""
    first = target.split("/")[0]
    if first in LAYERS:
        return os.path.normpath(target)
    beside = os.path.normpath(os.path.join(os.path.dirname(path), target))
    if os.path.exists(os.path.join(root, beside)):
        return beside
    return None


class layer_graph:
    def __init__(self, root):
        self.files = source_files(root)
        self.includes = {path: list(read_includes(root, path)) for path in self.files}
        self.platform_files = sorted(
            path for path in self.files if path.startswith("core/") and any(
                kind == "<" and PLATFORM_HEADERS.match(target)
                for kind, target, _ in self.includes[path]))
        self.edges = {}  # (from group, to group) -> include count
        self.violations = []
        for path in self.files:
            source = self.group_of(path)
            for kind, target, number in self.includes[path]:
                where = "%s:%d: #include %s%s%s" % (path, number, kind, target,
                                                     '"' if kind == '"' else ">")
                if kind == "<":
                    if WINDOW_SYSTEM_HEADERS.match(target) and source != PLATFORM:
                        self.violations.append(
                            where + " (a window-system header outside the platform files)")
                    continue
                included = resolve(root, path, target)
                if included is None:
                    continue
                destination = self.group_of(included)
                if destination == PLATFORM and source != PLATFORM:
                    self.violations.append(where + " (reaches a platform implementation)")
                elif rank(destination) > rank(source):
                    self.violations.append("%s (%s/ is above %s/)" % (
                        where, destination, "core" if source == PLATFORM else source))
                if destination != source:
                    key = (source, destination)
                    self.edges[key] = self.edges.get(key, 0) + 1

    def group_of(self, path):
        if path in self.platform_files:
            return PLATFORM
        return path.split(os.sep)[0].split("/")[0]

    def file_count(self, group):
        return sum(1 for path in self.files if self.group_of(path) == group)

    def mermaid(self):
        """The picture: an arrow from a layer to each layer it includes."""
        names = ", ".join(os.path.basename(path) for path in self.platform_files)
        lines = ["```mermaid", "flowchart RL"]
        for group in reversed(LAYERS):
            lines.append('    %s["%s/"]' % (group, group))
        lines.append('    %s["platform implementations in core/:<br/>%s"]' % (
            PLATFORM, names.replace(", ", ",<br/>")))
        for (source, destination) in sorted(self.edges, key=lambda e: (-rank(e[0]), rank(e[1]), e)):
            lines.append("    %s --> %s" % (source, destination))
        lines.append("```")
        return "\n".join(lines) + "\n"

    def text(self):
        lines = ["Layers, highest first (an arrow: includes):"]
        for group in reversed(LAYERS):
            lines.append("  %-9s %3d files" % (group + "/", self.file_count(group)))
        lines.append("  platform  %3d files beside core/: %s" % (
            len(self.platform_files), ", ".join(os.path.basename(p) for p in self.platform_files)))
        lines.append("")
        for (source, destination), count in sorted(
                self.edges.items(), key=lambda e: (-rank(e[0][0]), rank(e[0][1]), e[0])):
            lines.append("  %-9s --> %-9s %4d includes" % (source, destination, count))
        return "\n".join(lines) + "\n"


def readme_picture(readme_text):
    begin = readme_text.find(README_BEGIN)
    end = readme_text.find(README_END)
    if begin < 0 or end < begin:
        return None
    return readme_text[begin + len(README_BEGIN):end].strip("\n") + "\n"


def with_picture(readme_text, picture):
    begin = readme_text.find(README_BEGIN)
    end = readme_text.find(README_END)
    return readme_text[:begin + len(README_BEGIN)] + "\n" + picture + readme_text[end:]


def self_test():
    """Runs the checker over made-up trees: one that keeps the rule, and one
    file per way of breaking it."""
    failures = []

    def tree(files):
        root = tempfile.mkdtemp(prefix="layer-graph-")
        for path, text in files.items():
            os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
            with open(os.path.join(root, path), "w") as out:
                out.write(text)
        return root

    good = {
        "core/seam.h": "#pragma once\n#include <string>\n",
        "core/seam_sdl.cpp": '#include "core/seam.h"\n#include <SDL.h>\n',
        "effects/fx.h": '#include "core/seam.h"\n#include "kernel.inc"\n',
        "effects/kernel.inc": "",
        "app/show.h": '#include "effects/fx.h"\n#include "core/seam.h"\n',
        "tools/tool.cpp": '#include "app/show.h"\n#include "local.h"\n',
        "tools/local.h": "",
    }
    graph = layer_graph(tree(good))
    if graph.violations:
        failures.append("a tree that keeps the rule was refused: %s" % graph.violations)
    if graph.platform_files != ["core/seam_sdl.cpp"]:
        failures.append("platform files: %s" % graph.platform_files)
    expected = {("platform", "core"), ("effects", "core"), ("app", "effects"), ("app", "core"),
                ("tools", "app")}
    if set(graph.edges) != expected:
        failures.append("edges: %s" % sorted(graph.edges))
    if "    tools --> app" not in graph.mermaid():
        failures.append("the picture lacks tools --> app:\n" + graph.mermaid())

    breaks = {
        "core/up.h": '#include "effects/fx.h"\n',
        "effects/up.cpp": '#include "app/show.h"\n',
        "app/up.cpp": '#include "tools/local.h"\n',
        "effects/impl.cpp": '#include "core/seam_sdl.cpp"\n',
        "effects/window.cpp": "#include <SDL.h>\n",
    }
    for path, text in breaks.items():
        broken = dict(good)
        broken[path] = text
        found = layer_graph(tree(broken)).violations
        if len(found) != 1 or not found[0].startswith(path + ":1:"):
            failures.append("%s: expected one refusal, got %s" % (path, found))

    readme = "# x\n\n" + README_BEGIN + "\nold\n" + README_END + "\nrest\n"
    updated = with_picture(readme, graph.mermaid())
    if readme_picture(updated) != graph.mermaid() or not updated.endswith(README_END + "\nrest\n"):
        failures.append("the README's picture is not replaced in place")

    for failure in failures:
        print("layer-graph self-test: " + failure, file=sys.stderr)
    print("layer-graph self-test: %s" % ("failed" if failures else "passed"))
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--root", default=os.path.join(os.path.dirname(__file__), ".."),
                        help="the source tree (default: this script's checkout)")
    parser.add_argument("--text", action="store_true", help="the picture as text")
    parser.add_argument("--check-readme", metavar="README",
                        help="fail when the README's picture differs from the drawn one")
    parser.add_argument("--update-readme", metavar="README",
                        help="write the drawn picture into the README")
    parser.add_argument("--self-test", action="store_true")
    args = parser.parse_args()
    if args.self_test:
        return self_test()

    graph = layer_graph(os.path.abspath(args.root))
    print(graph.text() if args.text else graph.mermaid(), end="")
    status = 0
    for violation in graph.violations:
        print("layer-graph: upward include: " + violation, file=sys.stderr)
        status = 1
    for readme, update in ((args.check_readme, False), (args.update_readme, True)):
        if readme is None:
            continue
        with open(readme, encoding="utf-8") as text:
            content = text.read()
        if readme_picture(content) is None:
            print("layer-graph: %s has no %s ... %s block" % (readme, README_BEGIN, README_END),
                  file=sys.stderr)
            return 2
        if update:
            with open(readme, "w", encoding="utf-8") as out:
                out.write(with_picture(content, graph.mermaid()))
        elif readme_picture(content) != graph.mermaid():
            print("layer-graph: the layers picture in %s is out of date; run "
                  "scripts/layer-graph.py --update-readme %s" % (readme, readme), file=sys.stderr)
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main())
