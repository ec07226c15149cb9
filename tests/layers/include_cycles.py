"""No file of src/ (a header and its source taken as one) reaches itself through the project's own includes."""
import pathlib
import re
import sys

src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parents[2] / "src")
graph = {}
for path in list(src.rglob("*.h")) + list(src.rglob("*.cpp")):
    module = path.relative_to(src).with_suffix("").as_posix()
    for included in re.findall(r'#include "([^"]+)"', path.read_text()):
        if (src / included).exists() and (target := pathlib.Path(included).with_suffix("").as_posix()) != module:
            graph.setdefault(module, set()).add(target)

circles, done = [], set()


def visit(module, path):
    if module in path:
        circles.append(path[path.index(module):] + [module])
    elif module not in done:
        for target in sorted(graph.get(module, ())):
            visit(target, path + [module])
        done.add(module)


for module in sorted(graph):
    visit(module, [])
for circle in circles:
    print(" -> ".join(circle))
sys.exit(1 if circles else 0)
