# The extension links libdov found through pkg-config ("dov"): an installed
# prefix on PKG_CONFIG_PATH, or the prefix named by DOV_PREFIX. The library's
# folder is recorded in the extension, so nothing else needs to be set when
# it is imported.
import glob
import os
import shlex
import subprocess

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = os.path.dirname(os.path.abspath(__file__))


def pkg_config(*args):
    env = dict(os.environ)
    prefix = os.environ.get("DOV_PREFIX")
    if prefix:
        found = glob.glob(os.path.join(prefix, "lib*", "pkgconfig")) + glob.glob(
            os.path.join(prefix, "lib", "*", "pkgconfig"))
        env["PKG_CONFIG_PATH"] = os.pathsep.join(found + [env.get("PKG_CONFIG_PATH", "")])
    try:
        result = subprocess.run(["pkg-config", *args, "dov"], env=env, check=True, capture_output=True, text=True)
    except (OSError, subprocess.CalledProcessError) as error:
        raise SystemExit(
            "libdov was not found by pkg-config (dov.pc). Install it with "
            "`cmake --install build --prefix PREFIX` and set DOV_PREFIX=PREFIX "
            f"or PKG_CONFIG_PATH: {error}") from error
    return result.stdout.strip()


def flags(option, words):
    return [w[len(option):] for w in words if w.startswith(option)]


cflags = shlex.split(pkg_config("--cflags"))
libs = shlex.split(pkg_config("--libs"))
libdir = pkg_config("--variable=libdir")
sources = sorted(os.path.relpath(p, HERE) for p in glob.glob(os.path.join(HERE, "ext", "*.cpp")))

class BuildExtAlways(build_ext):
    """Builds the extension afresh each time: one built before against
    another prefix would keep that prefix's library folder."""

    def build_extension(self, ext):
        self.force = True
        super().build_extension(ext)


setup(cmdclass={"build_ext": BuildExtAlways}, ext_modules=[
    Extension(
        "dov._dov",
        sources=sources,
        include_dirs=flags("-I", cflags),
        library_dirs=flags("-L", libs),
        libraries=flags("-l", libs),
        runtime_library_dirs=[libdir],
        extra_compile_args=["-std=c++20", "-Wall", "-Wextra", "-Werror", "-fvisibility=hidden"],
        language="c++",
    )
])
