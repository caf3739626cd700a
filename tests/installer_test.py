"""Checks scripts/install over a stand-in apt-get on the PATH, on an archive one
of whose indexes fails to load: what it installs, and what it says it could not."""

import json
import os
import pathlib
import shutil
import subprocess
import tempfile
import unittest

# "update" fails for one index; "install" for a set with "lost", or "lagging" without -t.
APT_GET = """#!/bin/sh
case " $* " in
  *" update"*) echo "E: Failed to fetch http://mirror/i386/Packages.xz  Mirror sync in progress?"; exit 100 ;;
  *" lost "* | *" install -y lagging "*) echo "E: Unable to locate package lost"; exit 100 ;;
esac
echo "${*#-qq --no-install-recommends install -y }" >>"$0.log"
"""
PRESETS = {"version": 6, "configurePresets": [
    {"name": "parent", "hidden": True, "vendor": {"quovex/needs": ["inherited:/none"]}},
    {"name": "child", "inherits": "parent", "vendor": {"quovex/needs": ["own:/none"]}}]}


@unittest.skipUnless(os.geteuid() == 0, "installing takes root")
class Installer(unittest.TestCase):
    def install(self, *needs):
        """Its exit code, what it said, and each set of packages installed."""
        with tempfile.TemporaryDirectory() as root:
            shutil.copytree(pathlib.Path(__file__).parents[1] / "scripts", f"{root}/scripts")
            pathlib.Path(f"{root}/CMakePresets.json").write_text(json.dumps(PRESETS))
            pathlib.Path(f"{root}/apt-get").write_text(APT_GET)
            os.chmod(f"{root}/apt-get", 0o755)
            environment = {**os.environ, "PATH": f"{root}:{os.environ['PATH']}", "QUOVEX_NO_INSTALL": ""}
            done = subprocess.run([f"{root}/scripts/install", *needs], env=environment,
                                  capture_output=True, text=True)
            log = pathlib.Path(f"{root}/apt-get.log")
            return done.returncode, done.stdout, log.exists() and log.read_text().split("\n")[:-1]

    def test_takes_what_the_archive_gives_and_names_the_rest(self):
        self.assertEqual(self.install("found:/none", "--preset", "child"), (0, "", ["found inherited own"]))
        code, said, installed = self.install("found:/none", "lost:/none", "lagging:/none")
        self.assertEqual((code, installed[0], installed[1][:3], installed[1][-8:]), (1, "found", "-t ", " lagging"))
        self.assertIn("could not install lost (E: Unable to locate package lost)", said)
        self.assertIn("Mirror sync in progress?", said)


if __name__ == "__main__":
    unittest.main(verbosity=2)
