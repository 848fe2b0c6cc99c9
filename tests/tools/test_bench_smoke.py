"""The benchmarks' short runs fail on what a broken benchmark shows: a crash, or a figure missing or zero."""
import os
import subprocess
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "bench"))
import smoke  # noqa: E402


def test_a_figure_missing_or_zero_fails_and_the_size_benchmarks_figures_pass():
    name, cmd, patterns = [b for b in smoke.benchmarks("win64") if b[0].startswith("size")][0]
    out = subprocess.run(cmd, stdout=subprocess.PIPE, check=True).stdout.decode()
    assert smoke.missing_figures(out, patterns) == []
    no_text = "\n".join(line for line in out.splitlines() if not line.startswith(".text"))
    assert [f for f in smoke.missing_figures(no_text, patterns) if "text" in f]
    zero = smoke.missing_figures("XmlDocument   0.00\n16MiB  1.0  2.0  3.0\n", smoke.NATIVE[0][2])
    assert len(zero) == 1 and zero[0].startswith("a figure of zero")


def test_a_benchmark_that_fails_fails_its_run_whatever_it_printed(capsys):
    printed = "16MiB 1.0 2.0 3.0\\nXmlDocument 1.0\\n"
    crash = [sys.executable, "-c", "import os; print('%s', end=''); os.abort()" % printed]
    assert not smoke.run("xml parse", crash, smoke.NATIVE[0][2], os.environ)
    assert "FAILED xml parse: exit status -6" in capsys.readouterr().out
    assert smoke.run("xml parse", crash[:2] + ["print('%s', end='')" % printed], smoke.NATIVE[0][2], os.environ)
