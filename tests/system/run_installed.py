"""Starts a program, opens the list browser (and with it the web engine) through Destroy List, answered OK
on the empty fresh list, and quits."""
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from quokka_driver import Failure, Session, run_inside_session  # noqa: E402


def main(program):
    s = Session(program, workdir_files=False)
    s.work = os.getcwd()
    s.data = os.environ["XDG_DATA_HOME"]
    try:
        s.start()
        s.find("frame", "Quokka", timeout=30, showing=True)
        s.menu("List", "Destroy List")
        s.answer_alert("OK")
        s.find("list", "Address list", timeout=10)
        # The list browser's page view comes from the web engine library, loaded from lib/quokka.
        s.find(None, "Page of the chosen address", timeout=10)
        s.shot("installed")
        s.menu("File", "Quit")
        s.wait_exit()
    except Failure as e:
        print("FAIL:", e)
        return 1
    finally:
        s.close()
    return 0


if __name__ == "__main__":
    run_inside_session(main)
