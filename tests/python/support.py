"""What the Python tests share: the simulator process and the package from the source tree."""

import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "simulator"))
sys.path.insert(0, os.path.join(ROOT, "python"))

from warbler_sim.process import Simulator  # noqa: E402,F401
