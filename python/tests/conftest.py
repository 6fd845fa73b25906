# Where the tests find dovtool and their documents:
#   DOVTOOL             dovtool built from this tree (default build/bin/dovtool)
#   DOV_TEST_DOCUMENTS  a folder of NAME.dov written by dorv_write_documents
#                       and dorv_write_hostile (scripts/test-python.sh)
import json
import os
import pathlib
import subprocess

ROOT = pathlib.Path(__file__).resolve().parents[2]
DOVTOOL = os.environ.get("DOVTOOL", str(ROOT / "build" / "bin" / "dovtool"))
SAMPLES = sorted((ROOT / "samples").glob("*.dov"))
# Inputs the fuzz targets keep: documents, parts of documents, nothing at all.
KEPT = sorted(p for p in (ROOT / "tests" / "fuzz_regressions").glob("*/*") if p.is_file())
DOCUMENTS = sorted(pathlib.Path(os.environ["DOV_TEST_DOCUMENTS"]).glob("*.dov")) \
    if os.environ.get("DOV_TEST_DOCUMENTS") else []


def dovtool(*args):
    return subprocess.run([DOVTOOL, *map(str, args)], capture_output=True, check=False)


def dovtool_info(path):
    """dovtool's description of a file: frames and layers, or "error"."""
    result = dovtool("info", "--frames", "--allow-damaged", path)
    return json.loads(result.stdout.decode("utf-8").splitlines()[0])


def pytest_report_header():
    return f"dovtool: {DOVTOOL}; {len(SAMPLES)} samples, {len(DOCUMENTS)} test documents, {len(KEPT)} kept inputs"
