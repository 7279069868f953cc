"""pyvisa against libsbvisv32.so and a serial port played by a pseudo-terminal.

usage: serial_pty_test.py LIBRARY [unittest arguments]
Runs with a fresh CORVID_HOME whose visa.ini aliases ASRL100::INSTR to the slave side of
a pseudo-terminal; a responder thread on the master side answers like an instrument.
"""
import atexit
import os
import pty
import select
import shutil
import sys
import tempfile
import threading
import unittest

LIBRARY = sys.argv.pop(1)
os.environ["CORVID_HOME"] = tempfile.mkdtemp(prefix="corvid-pyvisa-serial-")
atexit.register(shutil.rmtree, os.environ["CORVID_HOME"], True)

MASTER, SLAVE = pty.openpty()  # the slave stays open here so the master never sees a hang-up
SLAVE_NAME = os.ttyname(SLAVE)
with open(os.path.join(os.environ["CORVID_HOME"], "visa.ini"), "w") as ini:
    ini.write("[ASRL-RSRC-ALIAS]\nNumOfResources=1\nName0=ASRL100::INSTR\nSystemName0=%s\n" % SLAVE_NAME)

import pyvisa  # noqa: E402
from pyvisa import constants, errors  # noqa: E402

PORT = "ASRL100::INSTR"
IDN = "Corvid Test,Serial Responder,0001,1.0"
ANSWERS = {b"*IDN?": IDN.encode(), b"MEAS?": b"+1.250E+00"}


class Responder(threading.Thread):
    """Answers each line from the port; lines without an answer are only recorded."""

    def __init__(self):
        super().__init__(daemon=True)
        self.heard = []
        self.stopping = threading.Event()

    def run(self):
        pending = b""
        while not self.stopping.is_set():
            ready, _, _ = select.select([MASTER], [], [], 0.05)
            if not ready:
                continue
            try:
                pending += os.read(MASTER, 256)
            except OSError:
                continue
            while b"\n" in pending:
                line, pending = pending.split(b"\n", 1)
                self.heard.append(line)
                if line in ANSWERS:
                    os.write(MASTER, ANSWERS[line] + b"\n")


class SerialPort(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.responder = Responder()
        cls.responder.start()
        cls.rm = pyvisa.ResourceManager(LIBRARY)

    @classmethod
    def tearDownClass(cls):
        cls.rm.close()
        cls.responder.stopping.set()
        cls.responder.join()

    def open(self, **settings):
        resource = self.rm.open_resource(PORT, **settings)
        self.addCleanup(resource.close)
        return resource

    def test_finds_the_aliased_port(self):
        self.assertIn(PORT, self.rm.list_resources("ASRL1?0::INSTR"))

    def test_query_with_baud_rate_and_termination(self):
        port = self.open(baud_rate=115200, read_termination="\n", write_termination="\n")
        self.assertEqual(port.baud_rate, 115200)
        self.assertEqual(port.interface_type, constants.InterfaceType.asrl)
        self.assertEqual(port.query("*IDN?"), IDN)
        self.assertAlmostEqual(float(port.query("MEAS?")), 1.25)
        self.assertIn(b"MEAS?", self.responder.heard)

    def test_line_settings_and_their_ranges(self):
        port = self.open()
        port.data_bits = 7
        port.parity = constants.Parity.even
        port.stop_bits = constants.StopBits.two
        self.assertEqual(port.data_bits, 7)
        self.assertEqual(port.parity, constants.Parity.even)
        self.assertEqual(port.stop_bits, constants.StopBits.two)
        with self.assertRaises(errors.VisaIOError) as caught:
            port.baud_rate = 12345
        self.assertEqual(caught.exception.error_code, constants.StatusCode.error_nonsupported_attribute_state)

    def test_silence_times_out(self):
        port = self.open(read_termination="\n", write_termination="\n")
        port.timeout = 200
        with self.assertRaises(errors.VisaIOError) as caught:
            port.query("QUIET")
        self.assertEqual(caught.exception.error_code, constants.StatusCode.error_timeout)


if __name__ == "__main__":
    unittest.main(verbosity=2)
