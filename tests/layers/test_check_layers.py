"""The layer check fails on the two faults it exists for: an include that runs up a level and two
files that need each other (layers.includes runs it on the tree as it is)."""
import os
import shutil
import tempfile
import unittest

import check_layers

SRC = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "src")


class LayerCheckTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp()
        self.src = os.path.join(self.root, "src")
        shutil.copytree(SRC, self.src)

    def tearDown(self):
        shutil.rmtree(self.root)

    def add_include(self, file, include):
        path = os.path.join(self.src, file)
        with open(path) as handle:
            text = handle.read()
        with open(path, "w") as handle:
            handle.write(f'#include "{include}"\n' + text)

    def test_an_include_up_a_level_fails(self):
        self.add_include("oauth/OAuth.cpp", "component/Twitter.h")
        self.add_include("platform/CodePageLinux.cpp", "common/ZelString.h")
        self.assertEqual(check_layers.check(self.src), [
            'oauth/OAuth.cpp: "component/Twitter.h" runs from oauth/ to component/',
            'platform/CodePageLinux.cpp: "common/ZelString.h" runs from platform/ to common/',
        ])

    def test_files_that_need_each_other_fail(self):
        self.add_include("common/ZelList.cpp", "common/ZelString.h")
        self.add_include("common/ZelString.cpp", "common/ZelList.h")
        faults = check_layers.check(self.src)
        self.assertEqual(len(faults), 1)
        self.assertIn("common/ZelList", faults[0])
        self.assertIn("common/ZelString", faults[0])

    def test_an_unknown_folder_or_a_bare_include_fails(self):
        os.mkdir(os.path.join(self.src, "misc"))
        with open(os.path.join(self.src, "misc", "Helper.h"), "w") as handle:
            handle.write("#pragma once\n")
        self.add_include("rest/XTwitter.cpp", "XTwitter.h")
        self.assertEqual(check_layers.check(self.src), [
            "misc/Helper.h: folder 'misc' has no place in the layer table",
            'rest/XTwitter.cpp: "XTwitter.h" names no folder',
        ])


if __name__ == "__main__":
    unittest.main()
