"""Starts a program, opens the list browser (and with it the web engine) through Destroy List, answered OK
on the empty fresh list, and quits.  With --without-engine the web engine library has been taken away:
the program must then say so in its error box and end with error 48."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import Failure, Session, check, run_inside_session  # noqa: E402

WITHOUT_ENGINE = "--without-engine" in sys.argv


def main(program):
    s = Session(program, workdir_files=False)
    s.work = os.getcwd()
    s.data = os.environ["XDG_DATA_HOME"]
    try:
        s.start()
        s.find("frame", "Quokka", timeout=30, showing=True)
        s.menu("List", "Destroy List")
        s.answer_alert("OK", "Would you like to Kill all the entries?")
        if WITHOUT_ENGINE:
            s.gone("alert", "Kill all")
            alert = s.find("alert", None, timeout=15, showing=True)
            text = " ".join(n.name for n in s.find_all("label", root=alert))
            s.shot("installed-without-engine")
            check("Error in loading DLL" in text and "libquokka_webengine.so is missing" in text,
                  f"the error box says {text!r}")
            s.click(s.button(alert, "OK"))
            rc = s.wait_exit()
            check(rc == 48, f"the program ended with {rc}, not with error 48")
            return 0
        s.find("list", "Address list", timeout=10)
        # The list browser's page view comes from the web engine library, loaded from lib/quokka.
        s.find(None, "Page of the chosen address", timeout=10)
        s.shot("installed")
        s.menu("File", "Quit")
        rc = s.wait_exit()
        check(rc == 0, f"the installed program ended with {rc} after Quit")
    except Failure as e:
        print("FAIL:", e)
        return 1
    finally:
        s.close()
    return 0


if __name__ == "__main__":
    run_inside_session(main)
