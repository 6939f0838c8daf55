"""Checks one Wine run (or, with "count", counts the program's calls): the relay trace of the program's registry and
message-box calls, the notice as read off the screen, and the registry
exports taken before and after."""

import re
import sys

CLASSES_ROOT = 0x80000000
KEY_ALL_ACCESS = 0x000F003F
KEY_READ = 0x00020019
NOTICES = {
    "clean": ("The registry has been cleaned.", 0x00000000),
    "warning": ("The registry could not be cleaned completely.", 0x00000030),
}
# Values that Wine's display driver rewrites on its own.
VOLATILE = (
    r"hkey_local_machine\system\currentcontrolset\control\video",
    r"hkey_local_machine\system\currentcontrolset\control\class",
)


def plan(path):
    rows = []
    with open(path, encoding="ascii") as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                parent, subkey = line.split("|")
                rows.append((None if parent == "-" else parent, subkey))
    return rows


def calls(path, image):
    """The program's own calls, each as [function, arguments, return value]:
    those whose return address lies in the program's image. Calls made from
    inside a traced function, or by a DLL while it starts, are left out."""
    base, size = (int(part, 16) for part in image.split(":"))
    pattern = re.compile(r"^[0-9a-f]+:(Call|Ret) +\w+\.(RegOpenKeyExA|RegDeleteKeyA|RegCloseKey|MessageBoxA)\((.*)\)")
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = f.read().splitlines()
    # Wine's helper processes started with the program inherit its trace; its
    # calls are those of the one thread that shows the notice.
    thread = next((line.split(":", 1)[0] for line in lines if "MessageBoxA(" in line and '"GULVOR"' in line), None)
    found, open_calls = [], []
    for line in lines:
        if thread is not None and not line.startswith(thread + ":"):
            continue
        match = pattern.match(line)
        if not match:
            continue
        kind, function, rest = match.groups()
        caller = int(re.search(r" ret=([0-9a-f]+)", line).group(1), 16)
        own = base <= caller < base + size
        if kind == "Call":
            if own and not open_calls:
                found.append([function, split_args(rest), None])
            open_calls.append((function, own))
        else:
            _, own = open_calls.pop()
            if own and not open_calls:
                found[-1][2] = int(re.search(r"retval=([0-9a-f]+)", line).group(1), 16)
    return found


def split_args(text):
    args = []
    for raw in re.findall(r'[0-9a-f]+(?: "(?:[^"\\]|\\.)*")?', text):
        if '"' in raw:
            args.append(raw.split('"', 1)[1][:-1].replace("\\\\", "\\"))
        elif int(raw, 16) == 0:
            args.append(None)
        else:
            args.append(int(raw, 16))
    return args


def check_trace(plan_file, trace_file, notice, image):
    rows, log, errors = plan(plan_file), calls(trace_file, image), []
    i = 0
    for number, (parent, subkey) in enumerate(rows, 1):
        if i >= len(log) or log[i][0] != "RegOpenKeyExA":
            errors.append(f"row {number}: no open where one was due")
            break
        root, sub_path, _options, access, _out = log[i][1]
        if root & 0xFFFFFFFF != CLASSES_ROOT or sub_path != parent or access != KEY_ALL_ACCESS:
            errors.append(f"row {number}: open {log[i][1]} is not of {parent!r} below the root with full access")
        opened = log[i][2] == 0
        i += 1
        if not opened:
            continue
        if i + 1 >= len(log) or log[i][0] != "RegDeleteKeyA" or log[i + 1][0] != "RegCloseKey":
            errors.append(f"row {number}: an open handle was not used once and closed")
            break
        handle, name = log[i][1]
        if name != subkey or log[i + 1][1][0] != handle:
            errors.append(f"row {number}: deleted {name!r} through {handle}, closed {log[i + 1][1][0]}")
        i += 2
    opens = closes = 0
    for function, args, result in log[i:-1]:
        if function == "RegOpenKeyExA":
            if args[3] & ~KEY_READ:
                errors.append(f"the check asked for write access: {args}")
            opens += result == 0
        elif function == "RegCloseKey":
            closes += 1
        else:
            errors.append(f"after the deletions: unexpected {function}{args}")
    if opens != closes:
        errors.append(f"the check opened {opens} handles and closed {closes}")
    boxes = [entry for entry in log if entry[0] == "MessageBoxA"]
    text, style = NOTICES[notice]
    if len(boxes) != 1 or log[-1][0] != "MessageBoxA":
        errors.append(f"{len(boxes)} message boxes, expected one after every registry call")
    elif boxes[0][1] != [None, text, "GULVOR", style or None]:
        errors.append(f"message box {boxes[0][1]}, expected {[None, text, 'GULVOR', style]}")
    return errors


def check_notice(notice_file, notice):
    with open(notice_file, encoding="utf-8", errors="replace") as f:
        seen = dict(line.split("=", 1) for line in f.read().splitlines() if "=" in line)
    text, style = NOTICES[notice]
    expected = {"caption": "GULVOR", "text": text, "icon": "yes" if style else "no", "buttons": "[OK]"}
    return [f"notice {k}: {seen.get(k)!r}, expected {v!r}" for k, v in expected.items() if seen.get(k) != v]


def sections(path):
    """A regedit export as {lower-case key path: (key path, its lines)}."""
    with open(path, "rb") as f:
        raw = f.read()
    text = raw.decode("utf-16") if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else raw.decode("latin-1")
    found, current = {}, None
    for line in text.replace("\r\n", "\n").split("\n"):
        if line.startswith("[") and line.endswith("]"):
            current = line[1:-1]
            found[current.lower()] = (current, [])
        elif current is not None and line:
            found[current.lower()][1].append(line)
    return {k: v for k, v in found.items() if not k.startswith(VOLATILE)}


WOW64_ROOTS = (
    "hkey_local_machine\\software\\classes\\wow6432node\\",
    "hkey_local_machine\\software\\wow6432node\\classes\\",
)


def class_key(path, view):
    """The path below the classes root as the program sees it, or None for a
    key it does not see."""
    # Keys that both views share (TypeLib) show in a 64-bit prefix under each view.
    for root in WOW64_ROOTS:
        if path.startswith(root):
            return path[len(root):]
    for root in ("hkey_local_machine\\software\\classes\\", "hkey_classes_root\\"):
        if path.startswith(root):
            below = path[len(root):]
            # A 32-bit program on 64-bit Windows sees its own CLSID branch, not this one.
            if view == "wow64" and (below == "clsid" or below.startswith("clsid\\")):
                return None
            return below
    return None


def check_registry(plan_file, before_file, after_file, remain, view):
    keys = {(s if p is None else p + "\\" + s).lower() for p, s in plan(plan_file)}
    stay = {k.lower() for k in remain.split()}
    before, after, errors = sections(before_file), sections(after_file), []
    for path, (name, lines) in before.items():
        below = class_key(path, view)
        should_go = below in keys and below not in stay
        if should_go and path in after:
            errors.append(f"still there: {name}")
        elif not should_go and path not in after:
            errors.append(f"removed, but not the program's to remove: {name}")
        elif not should_go and after[path][1] != lines:
            errors.append(f"changed: {name}")
    errors += [f"appeared: {after[p][0]}" for p in after if p not in before]
    if view == "wow64" and not any(p.startswith(WOW64_ROOTS) and class_key(p, view) in keys for p in before):
        errors.append("none of the program's keys was in the 32-bit view to begin with")
    for path in stay:
        if path not in {class_key(p, view) for p in before}:
            errors.append(f"expected to stay but never there: {path}")
    return errors


def check_fixtures(before_file, view, *fixture_files):
    """Every key of the fixtures is in the registry, so that no scenario passes on an import that failed."""
    present = {class_key(path, view) for path in sections(before_file)}
    errors = []
    for fixture in fixture_files:
        for path in sections(fixture):
            if path.startswith("hkey_classes_root\\") and path[len("hkey_classes_root\\"):] not in present:
                errors.append(f"not imported from {fixture}: {path}")
    return errors


def main():
    mode, *args = sys.argv[1:]
    if mode == "count":  # for the benchmark: how many calls the program made
        print(len(calls(*args)))
        return 0
    checks = {"trace": check_trace, "notice": check_notice, "registry": check_registry, "fixtures": check_fixtures}
    errors = checks[mode](*args)
    for error in errors:
        print(f"  {mode}: {error}", file=sys.stderr)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
