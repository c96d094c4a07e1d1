"""The build pip runs: the CMake build of the library, its transport module and the extension for
the interpreter that runs this, all copied into the package folder, so that an installed package
needs nothing outside it."""

import os
import re
import shutil
import subprocess
import sys

from setuptools import setup
from setuptools.command.build_ext import build_ext
from setuptools.dist import Distribution

ROOT = os.path.dirname(os.path.abspath(__file__))
LIBRARIES = ("libwarbler.so", "libwarbler_winhttp.so")


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as cmake:
        return re.search(r"project\(Warbler VERSION ([\d.]+)", cmake.read()).group(1)


class BuildWithCMake(build_ext):
    """The extension and the libraries, as CMake builds them: the one build step of the package."""

    def run(self):
        # A build tree of this interpreter's may be named (the tests reuse theirs); else one of its own.
        build = os.environ.get("WARBLER_CMAKE_BUILD") or os.path.join(ROOT, "build", "python-%d.%d" % sys.version_info[:2])
        if not os.environ.get("WARBLER_CMAKE_BUILD"):
            subprocess.check_call(["cmake", "-S", ROOT, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                                   "-DWARBLER_PYTHON=" + sys.executable], stdout=subprocess.DEVNULL)
        subprocess.check_call(["cmake", "--build", build, "--target", "warbler_python"])
        package = os.path.join(self.build_lib, "warbler")
        shutil.rmtree(package, ignore_errors=True)
        shutil.copytree(os.path.join(build, "python", "warbler"), package,
                        ignore=shutil.ignore_patterns("__pycache__", "_installed.py"))
        os.makedirs(os.path.join(package, "lib"))
        for name in LIBRARIES:
            shutil.copy2(os.path.join(build, "bin", name), os.path.join(package, "lib", name))
            subprocess.check_call(["strip", "--strip-unneeded", os.path.join(package, "lib", name)])
        with open(os.path.join(ROOT, "python", "warbler", "_installed.py.in"), encoding="utf-8") as template:
            installed = template.read().replace("@WARBLER_LIBRARY_FROM_PACKAGE@", "lib/libwarbler.so")
        with open(os.path.join(package, "_installed.py"), "w", encoding="utf-8") as out:
            out.write(installed)


class CompiledDistribution(Distribution):
    """The wheel holds a compiled extension: it is tagged for this interpreter and platform."""

    def has_ext_modules(self):
        return True


# setuptools' own work goes under build/ too, beside the CMake trees.
SETUPTOOLS_DIR = os.path.join("build", "setuptools")
os.makedirs(os.path.join(ROOT, SETUPTOOLS_DIR), exist_ok=True)
setup(name="warbler", version=project_version(),
      description="The Twitter REST API v1 (XML) with OAuth 1.0a as automation objects",
      python_requires=">=3.9", packages=[], cmdclass={"build_ext": BuildWithCMake},
      distclass=CompiledDistribution, zip_safe=False,
      options={"build": {"build_base": SETUPTOOLS_DIR}, "egg_info": {"egg_base": SETUPTOOLS_DIR}})
