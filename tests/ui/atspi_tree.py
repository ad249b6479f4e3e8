"""Walks the running window's accessibility tree as a screen reader does.

Fails on a focusable control without a name or description, a scroll bar or
label that takes the focus, a control of a hidden page that says it is
showing, missing spin buttons or links, and a preview whose test page the
reader cannot reach. Exits with 77 when the accessibility bus cannot start.
"""
import os, subprocess, sys, tempfile, time

try:
    import pyatspi
except ImportError:
    sys.exit("python3-pyatspi is missing: scripts/install-deps.sh installs it")

failures = []
INPUT, CODE = ["Function Name", "Generate Code"], ["Copy Popup Code", "Copy Link Code"]
PREVIEW, ABOUT = ["Launch in Browser", "Check in Browsers"], ["OK"]


def fail(text):
    failures.append(print("FAIL: " + text) or text)


def wait_for(check, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        found = check()
        if found:
            return found
        time.sleep(0.2)
    return None


def walk(node, depth=0):
    for i in range(node.childCount if depth < 40 else 0):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield child
            yield from walk(child, depth + 1)


def in_document(node):
    while node is not None:
        if node.getRole() == pyatspi.ROLE_DOCUMENT_WEB:
            return True
        node = node.parent
    return False


def named(app, name, role=None):
    return [n for n in walk(app) if n.name == name and role in (None, n.getRole())]


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def check_page(app, where, shown, hidden):
    for node in walk(app):
        if node.getState().contains(pyatspi.STATE_FOCUSABLE) and not in_document(node):
            if not node.name.strip():
                fail("%s: a focusable %s has no name" % (where, node.getRoleName()))
            if node.getRole() in (pyatspi.ROLE_SCROLL_BAR, pyatspi.ROLE_LABEL):
                fail("%s: %r takes the focus as a %s" % (where, node.name, node.getRoleName()))
            # Qt gives the tab strip no description; its tabs have theirs.
            if (showing(node) and not node.description.strip()
                    and node.getRole() != pyatspi.ROLE_PAGE_TAB_LIST):
                fail("%s: %r has no description" % (where, node.name))
    for name in shown:
        if not any(showing(n) for n in named(app, name)):
            fail("%s: %r is not showing" % (where, name))
    for name in hidden:
        if any(showing(n) for n in named(app, name)):
            fail("%s: %r of a hidden page says it is showing" % (where, name))


def press(app, name, role, then):
    nodes = [n for n in named(app, name, role) if showing(n)]
    if not nodes:
        return fail("no showing %r to press" % name)
    nodes[0].queryAction().doAction(0)
    wait_for(lambda: any(showing(n) for n in named(app, then)), 20)


def walk_window(app):
    check_page(app, "main screen", INPUT, CODE + PREVIEW + ABOUT)
    spins = named(app, "Size Width", pyatspi.ROLE_SPIN_BUTTON)
    if not spins:
        fail("the Size Width arrows are no spin button")
    else:
        named(app, "Size Width", pyatspi.ROLE_TEXT)[0].queryEditableText().setTextContents("400")
        if not wait_for(lambda: spins[0].queryValue().currentValue == 400, 5):
            fail("the Size Width spin button does not hold the field's 400")
        spins[0].queryAction().doAction(0)  # increase: one step of the arrows
        if not wait_for(lambda: spins[0].queryValue().currentValue == 20, 5):
            fail("the Size Width spin button's increase does not step the arrows")
    press(app, "About ...", pyatspi.ROLE_LINK, "OK")
    check_page(app, "About panel", ABOUT, INPUT + CODE)
    links = [n for n in walk(app) if n.getRole() == pyatspi.ROLE_LINK and showing(n)]
    if len(links) != 3:
        fail("the About panel shows %d links, not 3" % len(links))
    press(app, "OK", pyatspi.ROLE_PUSH_BUTTON, "Generate Code")
    press(app, "Generate Code", pyatspi.ROLE_PUSH_BUTTON, "Copy Popup Code")
    check_page(app, "code page", CODE, INPUT + PREVIEW + ABOUT)
    press(app, "Preview", pyatspi.ROLE_PAGE_TAB, "Launch in Browser")
    check_page(app, "preview page", PREVIEW, INPUT + CODE + ABOUT)
    if not wait_for(lambda: [n for n in walk(app) if in_document(n) and
                             n.getRole() == pyatspi.ROLE_LINK and n.name.strip()], 90):
        fail("the preview's documents expose no link of the test page")


def main(program):
    try:
        desktop = pyatspi.Registry.getDesktop(0)
        desktop.childCount
    except Exception as error:
        print("SKIP: the accessibility bus did not start (%s)" % error)
        return 77
    home = tempfile.mkdtemp(prefix="orvanta-atspi-")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home, XDG_DATA_HOME=home,
               XDG_CACHE_HOME=home, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               QT_QPA_PLATFORM="xcb", QTWEBENGINE_DISABLE_SANDBOX="1")
    window = subprocess.Popen([program], env=env)
    try:
        app = wait_for(lambda: next((a for a in desktop if a is not None and
                                     a.get_process_id() == window.pid), None), 60)
        if app is None or not wait_for(lambda: named(app, "Function Name"), 30):
            fail("the window never showed its controls to the accessibility bus")
        else:
            walk_window(app)
    finally:
        window.terminate()
        try:
            window.wait(20)
        except subprocess.TimeoutExpired:
            window.kill()
    print("%d failures" % len(failures) if failures else "the accessibility tree is sound")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
