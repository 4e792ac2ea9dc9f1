#!/usr/bin/env python3
"""Checks every project include and library link against the layering table of README.md.

The table (section "Layering") has one row per source folder: the folder (with its libraries in
brackets), whether it links Qt, and the folders it may include from. A file belongs to the longest
listed folder that holds it; an include "a/b/c.h" names the longest listed folder that is a prefix
of its path. Every such include must be the file's own folder or one it may include; a folder
that links no Qt includes no Qt header. Likewise the libraries a folder's CMakeLists.txt links
(quelix_add_library deps, target_link_libraries) must be its own or those of folders it may
include, and Qt6:: targets only where the row says it links Qt. The table itself must have no
cycle, so the allowed dependencies point down.

Usage: check_includes.py PROJECT_DIR   (exit 0 when everything agrees, 1 with a list otherwise)
"""
import os
import re
import sys

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')
CELL_CODE = re.compile(r"`([^`]+)`")


def read_table(readme_path):
    """Returns ({folder: (links_qt, allowed folders or None for any)}, {library: folder})."""
    with open(readme_path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    try:
        start = next(i for i, l in enumerate(lines) if l.strip() == "## Layering")
    except StopIteration:
        sys.exit("README.md has no '## Layering' section")
    rows = {}
    libraries = {}
    header_seen = False
    for line in lines[start + 1:]:
        if line.startswith("## "):
            break
        if not line.startswith("|"):
            if rows:
                break
            continue
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if not header_seen:
            header_seen = True
            if [c.lower() for c in cells[:3]] != ["folder", "links qt", "may include"]:
                sys.exit("layering table header must be: folder | links Qt | may include")
            continue
        if set("".join(cells)) <= set("-: "):
            continue
        folders = CELL_CODE.findall(cells[0])  # the folder, then (in brackets) its library
        if not folders or len(cells) < 3:
            sys.exit("bad layering row: " + line)
        folder = folders[0].rstrip("/")
        for library in folders[1:]:
            libraries[library] = folder
        links_qt = cells[1].lower().startswith("yes")
        if cells[2].strip() == "any":
            allowed = None
        else:
            allowed = {a.rstrip("/") for a in CELL_CODE.findall(cells[2])}
        rows[folder] = (links_qt, allowed)
    if not rows:
        sys.exit("the layering table is empty")
    return rows, libraries


LINK_CALL = re.compile(r"\b(quelix_add_library|target_link_libraries)\s*\(([^)]*)\)")
LINK_KEYWORDS = {"PUBLIC", "PRIVATE", "INTERFACE", "DEPS", "PUBLIC_DEPS"}


def check_links(root, rows, libraries):
    """The project libraries and Qt targets each listed folder's CMakeLists.txt links."""
    problems = []
    for folder, (links_qt, allowed) in sorted(rows.items()):
        path = os.path.join(root, folder, "CMakeLists.txt")
        if not os.path.isfile(path):
            continue
        with open(path, encoding="utf-8") as f:
            text = "\n".join(line.split("#", 1)[0] for line in f.read().splitlines())
        for call, args in LINK_CALL.findall(text):
            tokens = args.split()
            tokens = tokens[2:] if call == "quelix_add_library" else tokens[1:]
            for token in tokens:
                m = re.fullmatch(r"\$<TARGET_NAME_IF_EXISTS:([^>]+)>", token)
                name = m.group(1) if m else token
                if name in LINK_KEYWORDS or name.startswith("$"):
                    continue
                rel = f"{folder}/CMakeLists.txt"
                if name.startswith("Qt6::"):
                    if not links_qt:
                        problems.append(f"{rel}: links {name}, but `{folder}` links no Qt")
                    continue
                theirs = libraries.get(name)
                if theirs is None or theirs == folder or allowed is None or theirs in allowed:
                    continue
                problems.append(f"{rel}: links {name} (`{theirs}`), which `{folder}` may not include")
    return problems


def check_acyclic(rows):
    """Iterative depth-first search over the allowed edges (self edges ignored)."""
    problems = []
    state = {}  # 1 on the stack, 2 done
    for root in rows:
        if state.get(root):
            continue
        stack = [(root, iter(sorted(rows[root][1] or ())))]
        path = [root]
        state[root] = 1
        while stack:
            node, it = stack[-1]
            nxt = next(it, None)
            if nxt is None:
                state[node] = 2
                stack.pop()
                path.pop()
                continue
            if nxt == node:
                continue
            if nxt not in rows:
                problems.append(f"table: `{node}` may include `{nxt}`, which has no row")
                continue
            if state.get(nxt) == 1:
                problems.append("table: cycle " + " -> ".join(path[path.index(nxt):] + [nxt]))
                continue
            if not state.get(nxt):
                state[nxt] = 1
                path.append(nxt)
                stack.append((nxt, iter(sorted(rows[nxt][1] or ()))))
    return problems


def owner(path, folders):
    best = None
    for folder in folders:
        if path == folder or path.startswith(folder + "/"):
            if best is None or len(folder) > len(best):
                best = folder
    return best


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = os.path.abspath(sys.argv[1])
    rows, libraries = read_table(os.path.join(root, "README.md"))
    problems = check_acyclic(rows) + check_links(root, rows, libraries)
    folders = list(rows)
    top_dirs = {f.split("/")[0] for f in folders}
    checked = 0
    for top in sorted(top_dirs):
        for dirpath, dirnames, filenames in os.walk(os.path.join(root, top)):
            dirnames.sort()
            for name in sorted(filenames):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                full = os.path.join(dirpath, name)
                rel = os.path.relpath(full, root).replace(os.sep, "/")
                mine = owner(os.path.dirname(rel), folders)
                if mine is None:
                    problems.append(f"{rel}: its folder has no row in the layering table")
                    continue
                links_qt, allowed = rows[mine]
                checked += 1
                with open(full, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        kind, target = m.groups()
                        if kind == "<":
                            if not links_qt and re.match(r"Q[A-Za-z]|Qt", target):
                                problems.append(f"{rel}:{number}: <{target}> in `{mine}`, which links no Qt")
                            continue
                        if "/" not in target or target.split("/")[0] not in top_dirs:
                            continue  # a file beside this one, or a generated one
                        theirs = owner(os.path.dirname(target), folders)
                        if theirs is None or theirs == mine or allowed is None or theirs in allowed:
                            continue
                        problems.append(f'{rel}:{number}: "{target}" (`{theirs}`) is not one `{mine}` may include')
    for p in problems:
        print(p)
    print(f"{checked} files and the links of {len(libraries)} libraries checked against {len(rows)} folders: "
          f"{len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
