"""The package's wrappers as a careless caller uses them: copies, identity, argument rules."""

import ast
import copy
import gc
import os
import re
import pickle
import pydoc
import subprocess
import tempfile
import unittest
import weakref

import support  # noqa: F401  (puts the package on the path)
import warbler


class WrapperRulesTest(unittest.TestCase):
    def test_copies_hold_references_of_their_own(self):
        twitter = warbler.Dispatch("Velmora.Twitter")
        twitter.ConsumerKey = "kept"
        copies = [copy.copy(twitter), copy.deepcopy(twitter)]
        del twitter
        gc.collect()
        for other in copies:
            self.assertEqual(other.ConsumerKey, "kept")
        self.assertEqual(copies[0], copies[1])
        with self.assertRaises(TypeError):
            pickle.dumps(copies[0])
        del copies, other
        gc.collect()
        self.assertTrue(warbler.can_unload())

    def test_wrappers_of_one_object_are_equal(self):
        twitter = warbler.Dispatch("Velmora.Twitter")
        same = copy.copy(twitter)
        other = warbler.Dispatch("Velmora.Twitter")
        self.assertEqual(twitter, same)
        self.assertEqual(hash(twitter), hash(same))
        self.assertNotEqual(twitter, other)
        self.assertEqual(len({twitter, same, other}), 2)
        self.assertNotEqual(twitter, "Velmora.Twitter")
        # Weak references see the wrapper, and not past its end.
        seen = weakref.ref(same)
        self.assertIs(seen(), same)
        del same
        self.assertIsNone(seen())

    def test_argument_rules(self):
        twitter = warbler.Dispatch("Velmora.Twitter")
        with self.assertRaises(TypeError):
            warbler.Dispatch(None)
        for too_big in (2**64 + 35000, 2**31, -2**31 - 1):
            with self.assertRaises(OverflowError):
                twitter.GetErrorDescription(too_big)
        description = "Could not find the specified key file."
        self.assertEqual(twitter.GetErrorDescription(lerror=35019), description)
        self.assertEqual(twitter.GetErrorDescription(LERROR=35019), description)
        with self.assertRaisesRegex(TypeError, "by position and by keyword"):
            twitter.GetErrorDescription(35019, lError=35019)
        with self.assertRaisesRegex(TypeError, "twice"):
            twitter.GetErrorDescription(lError=1, LERROR=2)
        with self.assertRaisesRegex(TypeError, "unexpected"):
            twitter.GetErrorDescription(35019, verbose=True)
        # Automation's conversions: a float for a text is its decimal text.
        twitter.ConsumerKey = 1.5
        self.assertEqual(twitter.ConsumerKey, "1.5")
        twitter.ConsumerKey = 2**40
        self.assertEqual(twitter.ConsumerKey, "1099511627776")
        self.assertEqual(twitter.GetErrorDescription(" 35019 "), description)

    def test_text_of_every_width_comes_back_as_given(self):
        twitter = warbler.Dispatch("Velmora.Twitter")
        # Lengths around the library's 8- and 16-unit blocks, with the odd unit at each end.
        for odd in ("", "\u00e9", "\u2615", "\U0001F426", "\uffff"):
            for length in (0, 1, 7, 8, 9, 15, 16, 17, 40):
                for text in (odd + "a" * length, "a" * length + odd):
                    twitter.ConsumerKey = text
                    self.assertEqual(twitter.ConsumerKey, text)
        # Texts beyond the room a call keeps for its arguments' texts.
        for long_text in ("\u00e9" * 5000, "a" * 100000 + "\U0001F426"):
            twitter.ConsumerKey = long_text
            self.assertEqual(twitter.ConsumerKey, long_text)
        # A lone surrogate is no character: it comes back replaced, as a UTF-16 decoder reads it.
        twitter.ConsumerKey = "a" * 9 + "\ud800" + "b"
        self.assertEqual(twitter.ConsumerKey, "a" * 9 + "\ufffd" + "b")

    def test_help_and_stub_come_from_the_interface_description(self):
        twitter = warbler.Dispatch("Velmora.Twitter")
        page = pydoc.render_doc(twitter.FindFirstTweet, renderer=pydoc.plaintext)
        self.assertIn("FindFirstTweet(bstrTimeline, bstrSinceId='', bstrMaxId='', lCount=0, lPage=0)", page)
        self.assertIn("Fetches a timeline and returns its first status", page)
        self.assertIn("By plain name: timeline, since_id, max_id, count, page", page)
        self.assertIn("The number of followers", type(warbler.Dispatch("Velmora.Twitter.User")).NumFollowers.__doc__)
        self.assertIn("ConsumerKey (str, get/put; DISPID 13)", pydoc.render_doc(twitter, renderer=pydoc.plaintext))
        # The stub names every member of each class, and nothing the classes lack.
        with open(os.path.join(support.PACKAGE, "warbler", "__init__.pyi")) as stub:
            tree = ast.parse(stub.read())
        declared = {node.name: {m.name if isinstance(m, ast.FunctionDef) else m.target.id for m in node.body}
                    for node in tree.body if isinstance(node, ast.ClassDef)}
        for progid in ("Velmora.Twitter", "Velmora.Twitter.Status", "Velmora.Twitter.User"):
            cls = type(warbler.Dispatch(progid))
            members = {m.__name__ for m in cls._members.values()}
            if cls.__name__ == "ITwitter":
                members |= {"timeline", "friends", "followers", "search", "last_http_status",
                            "last_service_message", "last_failure"}
            self.assertEqual(declared[cls.__name__], members, progid)

    @unittest.skipUnless(subprocess.run(["/usr/bin/python3", "-m", "mypy", "--version"],
                                        capture_output=True).returncode == 0, "mypy is not installed")
    def test_a_type_checker_reads_the_stub(self):
        # What the README shows and the examples do passes; mistakes a script could make do not.
        with open(os.path.join(support.ROOT, "README.md"), encoding="utf-8") as readme:
            snippets = re.findall(r"```python\n(.*?)```", readme.read(), re.S)
        self.assertGreaterEqual(len(snippets), 2)
        bad = ("import warbler\n"
               "twitter = warbler.Dispatch('Velmora.Twitter')\n"
               "twitter.LastError = 3\n"
               "version: int = twitter.Version\n"
               "twitter.NoSuchMember()\n")
        examples = os.path.join(support.ROOT, "examples", "python")
        with tempfile.TemporaryDirectory() as folder:
            files = [os.path.join(examples, name) for name in sorted(os.listdir(examples)) if name.endswith(".py")]
            # The snippets read as one script, each going on from the ones before it.
            for name, text in (("readme.py", "\n".join(snippets)), ("bad.py", bad)):
                files.append(os.path.join(folder, name))
                with open(files[-1], "w") as script:
                    script.write(text)
            checked = [subprocess.run(["/usr/bin/python3", "-m", "mypy", "--strict", "--no-incremental",
                                       "--cache-dir", os.devnull, *names], capture_output=True, text=True,
                                      timeout=120, env=dict(os.environ, MYPYPATH=support.PACKAGE))
                       for names in (files[:-1], files[-1:])]
        self.assertEqual(checked[0].returncode, 0, checked[0].stdout)
        self.assertEqual(checked[1].returncode, 1, checked[1].stdout)
        for fault in ('"LastError" defined in "ITwitter" is read-only', 'has type "str", variable has type "int"',
                      '"ITwitter" has no attribute "NoSuchMember"'):
            self.assertIn(fault, checked[1].stdout)

if __name__ == "__main__":
    unittest.main()
