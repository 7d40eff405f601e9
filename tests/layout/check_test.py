#!/usr/bin/env python3
"""The layout check on small trees of its own: rings reported as whole
groups, rule breaks, same-name files resolved as the compiler resolves them.

Usage: check_test.py CHECK   (the path of scripts/check-include-rings)
"""

import os
import subprocess
import sys
import tempfile
import textwrap
import unittest

CHECK = None

# Two screens of one folder and a shared part below them; the screens'
# folder may include the parts' folder.
SCREENS = {
    "console/parts/shared_lines.h": "",
    "console/parts/shared_lines.cpp": '#include "shared_lines.h"\n',
    "console/screens/drive_list.h": "",
    "console/screens/drive_menu.h": "",
    "console/screens/drive_list.cpp": '#include "drive_list.h"\n#include "drive_menu.h"\n#include "shared_lines.h"\n',
}
SCREEN_RULES = "console/screens: console/parts\nconsole/parts:\n"
SCREEN_TARGET = ("core", ["console/parts/shared_lines.cpp", "console/screens/drive_list.cpp",
                          "console/screens/drive_menu_actions.cpp", "console/screens/drive_help.cpp"],
                 ["console/screens", "console/parts"])

# Each case: files, rules, targets (name, sources, include directories),
# areas, exit status, output.
CASES = {
    "a ring through the .cpp files of three modules is printed whole": (
        dict(SCREENS, **{
            "console/screens/drive_help.h": "",
            "console/screens/drive_menu_actions.cpp": '#include "drive_menu.h"\n#include "drive_help.h"\n',
            "console/screens/drive_help.cpp": '#include "drive_help.h"\n#include "drive_list.h"\n#include "drive_menu.h"\n',
        }),
        SCREEN_RULES, [SCREEN_TARGET], ["console"], 1,
        """\
        include ring of 3 modules:
          console/screens/drive_help.h -> console/screens/drive_list.h, console/screens/drive_menu.h
          console/screens/drive_list.h -> console/screens/drive_menu.h
          console/screens/drive_menu.h -> console/screens/drive_help.h
        """),
    "screens that meet in a shared module pass": (
        dict(SCREENS, **{
            "console/screens/drive_menu_actions.cpp": '#include "drive_menu.h"\n#include "shared_lines.h"\n',
        }),
        SCREEN_RULES, [SCREEN_TARGET], ["console"], 0, ""),
    "an include across the rules, a folder without a rule, and a rule that names nothing": (
        dict(SCREENS, **{
            "console/parts/lines_choice.cpp": '#include "drive_menu.h"\n',
            "console/extra/extra.h": "",
        }),
        "console/screens: console/parts console/gone\nconsole/parts:\n",
        [("core", SCREEN_TARGET[1] + ["console/parts/lines_choice.cpp"], SCREEN_TARGET[2])], ["console"], 1,
        """\
        scripts/include-rules.txt:1: console/screens may include console/gone, which does not exist
        no rule for console/extra: give it a line in scripts/include-rules.txt
        rule break: console/parts/lines_choice.cpp includes console/screens/drive_menu.h (console/parts may not include console/screens)
        """),
    "rules that include each other are a ring of their own": (
        SCREENS, "console/screens: console/parts\nconsole/parts: console/screens\n",
        [SCREEN_TARGET], ["console"], 1,
        """\
        rule ring of 2 folders:
          console/parts -> console/screens
          console/screens -> console/parts
        """),
    "folders that one line names are one layer: they include one another": (
        dict(SCREENS, **{
            "console/parts/lines_choice.cpp": '#include "drive_menu.h"\n',
            "console/base/words.h": "",
            "console/screens/drive_menu_actions.cpp": '#include "drive_menu.h"\n#include "words.h"\n',
        }),
        "console/screens console/parts: console/base\nconsole/base:\n",
        [("core", SCREEN_TARGET[1] + ["console/parts/lines_choice.cpp"], SCREEN_TARGET[2] + ["console/base"])],
        ["console"], 0, ""),
    "a layer is one folder of the rules' ring": (
        dict(SCREENS, **{"console/base/words.h": ""}),
        "console/screens console/parts: console/base\nconsole/base: console/parts\n",
        [SCREEN_TARGET], ["console"], 1,
        """\
        rule ring of 2 folders:
          console/base -> console/screens console/parts
          console/screens console/parts -> console/base
        """),
    "a README that says another rule": (
        dict(SCREENS, **{
            "console/parts/README.md": "Shared lines.\n\nMay include: console/screens\n",
            "console/screens/README.md": "The screens.\n\nMay include: console/parts/\n",
        }),
        SCREEN_RULES, [SCREEN_TARGET], ["console"], 1,
        """\
        console/parts/README.md must say the folder's rule in one line: May include:
        """),
    "a name that two folders hold is the one on the including target's path": (
        {
            "console/startup/controller_list.cpp": '#include "firmware_update.h"\n',
            "console/info/firmware_update.h": "",
            "cli/firmware_update.h": '#include "controller_list.h"\n',
            "cli/tool.cpp": '#include "firmware_update.h"\n',
            "console/startup/controller_list.h": "",
        },
        "console/startup:\nconsole/info:\n",
        [("mirvane", ["console/startup/controller_list.cpp"], ["console/startup", "console/info"]),
         ("tool", ["cli/tool.cpp"], ["cli", "console/startup"])], ["console"], 1,
        """\
        rule break: console/startup/controller_list.cpp includes console/info/firmware_update.h (console/startup may not include console/info)
        """),
    "the including file's own folder first, then the include directories in order": (
        {
            "console/a/records.h": "",
            "console/b/records.h": "",
            "console/b/use.cpp": '#include "records.h"\n',
            "console/c/use_c.cpp": '#include "records.h"\n#include <records.h>\n',
        },
        "console/a:\nconsole/b:\nconsole/c: console/a\n",
        [("core", ["console/b/use.cpp", "console/c/use_c.cpp"], ["console/a", "console/b"])], ["console"], 0, ""),
    "a header resolves with the include directories of the target that compiles it": (
        {
            "console/dialog/box.h": '#include "screen.h"\n',
            "console/dialog/box.cpp": '#include "box.h"\n',
            "console/screens/screen.h": "",
            "console/screens/screen.cpp": '#include "screen.h"\n#include "box.h"\n',
        },
        "console/dialog:\nconsole/screens: console/dialog\n",
        [("toolkit", ["console/dialog/box.cpp"], ["console/dialog"]),
         ("core", ["console/screens/screen.cpp"], ["console/screens", "console/dialog"])], ["console"], 1,
        """\
        rule break: console/dialog/box.h includes console/screens/screen.h (console/dialog may not include console/screens)
        include ring of 2 modules:
          console/dialog/box.h -> console/screens/screen.h
          console/screens/screen.h -> console/dialog/box.h
        """),
}


def run_case(files, rules, targets, areas):
    with tempfile.TemporaryDirectory() as root:
        for path, text in dict(files, **{"scripts/include-rules.txt": rules}).items():
            os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
            with open(os.path.join(root, path), "w", encoding="utf-8") as f:
                f.write(text)
        paths = os.path.join(root, "include-paths.txt")
        with open(paths, "w", encoding="utf-8") as f:
            for name, sources, dirs in targets:
                folder = sources[0].split("/")[0]
                f.write("\t".join([name, os.path.join(root, folder),
                                   ";".join(os.path.relpath(s, folder) for s in sources),
                                   ";".join(os.path.join(root, d) for d in dirs)]) + "\n")
        done = subprocess.run([CHECK, "--root", root, "--paths", paths] + areas,
                              capture_output=True, text=True, check=False)
        return done.returncode, done.stdout, done.stderr


class CheckTest(unittest.TestCase):
    def test_cases(self):
        for name, (files, rules, targets, areas, status, output) in CASES.items():
            with self.subTest(name):
                code, out, err = run_case(files, rules, targets, areas)
                self.assertEqual(out, textwrap.dedent(output))
                self.assertEqual((code, err), (status, ""))


if __name__ == "__main__":
    CHECK = os.path.abspath(sys.argv.pop(1))
    unittest.main()
