#!/usr/bin/env python3
"""Makes a private, runnable copy of Debian's Ren'Py tree and its tutorial game for the tests.

Debian 12's Ren'Py 8.0.3 builds Python ASTs whose end_lineno is smaller than their lineno, which
Python 3.11 refuses to compile. The copy mends that in the three places that build such trees, and
adds a game file that starts the tutorial in Japanese, with a typewriter and without auto-forward.

usage: prepare_tutorial.py DEST [--cps N]
"""
import argparse
import os
import re
import shutil
import sys

SOURCE = "/usr/share/games/renpy"


def write_if_changed(path, text):
    # Ren'Py recompiles a script whose file changed; an unchanged one keeps its compiled form.
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            if f.read() == text:
                return
    with open(path + ".new", "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(path + ".new", path)


def patch(path, old, new):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    if new in text:
        return
    if old not in text:
        sys.exit(f"prepare_tutorial: {path} is not the Ren'Py this fix was written for")
    with open(path, "w", encoding="utf-8") as f:
        f.write(text.replace(old, new, 1))


STATEMENT = re.compile(r'"((?:[^"\\]|\\.)*)"')


def translated_lines(tl_folder):
    """The Japanese line of every dialogue translation block, by its identifier, as written in the
    file (escapes kept, so it can go back into a script string unchanged)."""
    lines = {}
    for name in sorted(os.listdir(tl_folder)):
        if not name.endswith(".rpy"):
            continue
        block = None
        with open(os.path.join(tl_folder, name), encoding="utf-8-sig") as f:
            for raw in f:
                line = raw.rstrip("\n")
                if line.startswith("translate japanese ") and line.endswith(":"):
                    block = line[len("translate japanese "):-1].strip()
                    continue
                stripped = line.strip()
                if block and stripped and not stripped.startswith("#"):
                    # The say statement of the block; statements without text ("nvl clear") go before it.
                    strings = STATEMENT.findall(stripped)
                    if strings:
                        lines[block] = strings[-1]
                        block = None
    return lines


def write_stretches(game_folder, template_path):
    lines = translated_lines(os.path.join(game_folder, "tl", "japanese"))
    with open(template_path, encoding="utf-8") as f:
        template = f.read()

    def fill(match):
        key = match.group(1)
        if key not in lines:
            sys.exit(f"prepare_tutorial: no Japanese line {key} in the tutorial")
        return lines[key]

    write_if_changed(os.path.join(game_folder, "zz_ovisu_stretches.rpy"),
                     re.sub(r"\{tl:([A-Za-z0-9_]+)\}", fill, template))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("dest")
    parser.add_argument("--cps", type=int, default=40)
    args = parser.parse_args()
    if not os.path.isdir(os.path.join(SOURCE, "demo", "game", "tl", "japanese")):
        sys.exit("prepare_tutorial: the renpy and renpy-demo packages are not installed")

    dest = os.path.abspath(args.dest)
    if not os.path.isdir(os.path.join(dest, "renpy")):
        tmp = dest + ".partial"
        shutil.rmtree(tmp, ignore_errors=True)
        shutil.copytree(SOURCE, tmp, symlinks=True, ignore=shutil.ignore_patterns("__pycache__", "*.rpyc"))
        os.replace(tmp, dest)

    patch(os.path.join(dest, "renpy", "python.py"),
          "        if not hasattr(node, 'lineno'):\n            node.lineno = lineno\n        else:\n            lineno = node.lineno\n",
          "        if not hasattr(node, 'lineno'):\n            node.lineno = lineno\n        else:\n            lineno = node.lineno\n"
          "    if 'end_lineno' in node._attributes:\n"
          "        if getattr(node, 'end_lineno', None) is None or node.end_lineno < node.lineno:\n"
          "            node.end_lineno = node.lineno\n")
    patch(os.path.join(dest, "renpy", "sl2", "slast.py"),
          "    ast.fix_missing_locations(expr)\n    return compile(expr,",
          "    ast.fix_missing_locations(expr)\n"
          "    for n in ast.walk(expr):\n"
          "        if hasattr(n, 'lineno') and (getattr(n, 'end_lineno', None) is None or n.end_lineno < n.lineno):\n"
          "            n.end_lineno = n.lineno\n"
          "    return compile(expr,")
    patch(os.path.join(dest, "renpy", "screenlang.py"),
          "        if hasattr(node, 'lineno'):\n            node.lineno += amount\n",
          "        if hasattr(node, 'lineno'):\n            node.lineno += amount\n"
          "        if getattr(node, 'end_lineno', None) is not None:\n            node.end_lineno += amount\n")

    # The launcher names the installed tree as its base; the copy must run its own (mended) code.
    patch(os.path.join(dest, "renpy.py"),
          '    renpy_base = "/usr/share/games/renpy"\n',
          '    renpy_base = os.path.dirname(os.path.abspath(__file__))\n')

    write_if_changed(
            os.path.join(dest, "demo", "game", "zz_ovisu_test.rpy"),
            "init 999 python:\n"
            "    config.default_language = 'japanese'\n"
            f"    config.default_text_cps = {args.cps}\n"
            "    config.default_afm_enable = False\n"
            "    config.default_afm_time = 0\n"
            "    config.developer = False\n"
            "    config.rollback_enabled = False\n"
            "    _preferences.language = 'japanese'\n"
            f"    _preferences.text_cps = {args.cps}\n"
            "    _preferences.afm_enable = False\n"
            "    config.save_directory = None\n")
    write_stretches(os.path.join(dest, "demo", "game"),
                    os.path.join(os.path.dirname(os.path.abspath(__file__)), "ovisu_stretches.rpy.in"))


if __name__ == "__main__":
    main()
