"""What the Python tests share: the simulator process and the package of the build tree."""

import os
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "simulator"))
# The package as the build makes it: its modules beside the compiled extension.
PACKAGE = os.path.join(os.environ.get("WARBLER_BUILD_DIR", os.path.join(ROOT, "build", "linux")), "python")
sys.path.insert(0, PACKAGE)

from warbler_sim.process import Simulator  # noqa: E402,F401


class PackageTestCase(unittest.TestCase):
    """A simulator that the package's objects reach through the environment, and a fresh folder
    with a log file per test. SIMULATOR_ARGS are the simulator's options."""

    SIMULATOR_ARGS = ()

    @classmethod
    def setUpClass(cls):
        cls.sim = Simulator(*cls.SIMULATOR_ARGS)
        os.environ["WARBLER_API_HOST"] = cls.sim.host_port()
        os.environ["WARBLER_OAUTH_HOST"] = cls.sim.host_port()

    @classmethod
    def tearDownClass(cls):
        cls.sim.stop()

    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.log = os.path.join(self.folder.name, "warbler.log")
