"""pyvisa against libsbvisv32.so and the simulated demo bench.

usage: demo_bench_test.py LIBRARY [unittest arguments]
Runs with a fresh CORVID_HOME and no visa.ini, so the library uses the demo bench.
"""
import atexit
import ctypes
import os
import shutil
import sys
import tempfile
import unittest

LIBRARY = sys.argv.pop(1)
os.environ["CORVID_HOME"] = tempfile.mkdtemp(prefix="corvid-pyvisa-")
atexit.register(shutil.rmtree, os.environ["CORVID_HOME"], True)
os.environ.pop("CORVID_SIM_BENCH", None)

import pyvisa  # noqa: E402
from pyvisa import constants, errors  # noqa: E402

DMM = "GPIB0::22::INSTR"
DMM_IDN = "Larkspur Instruments,LM-4065,LK4065-01123,2.07"


class DemoBench(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.rm = pyvisa.ResourceManager(LIBRARY)

    @classmethod
    def tearDownClass(cls):
        cls.rm.close()

    def open(self, name=DMM, **settings):
        resource = self.rm.open_resource(name, **settings)
        self.addCleanup(resource.close)
        return resource

    def test_lists_the_simulated_instruments(self):
        names = self.rm.list_resources()
        for name in ("GPIB0::5::INSTR", "GPIB0::10::INSTR", "GPIB0::22::INSTR"):
            self.assertIn(name, names)
        self.assertEqual(self.rm.list_resources("ASRL12?::INSTR"), ())
        self.assertEqual(self.rm.list_resources("GPIB0::22::INSTR"), (DMM,))

    def test_primary_only_instruments_open_under_the_rewritten_name(self):
        calibrator = self.open("GPIB0::5::INSTR")
        self.assertEqual(calibrator.resource_name, "GPIB0::5::0::INSTR")
        self.assertTrue(calibrator.query("*IDN?").startswith("Vantor Calibration,"))
        self.assertEqual(calibrator.interface_type, constants.InterfaceType.gpib)
        self.assertEqual(calibrator.primary_address, 5)

    def test_write_read_and_query_with_termination(self):
        dmm = self.open(read_termination="\n", write_termination="\n")
        self.assertEqual(dmm.query("*IDN?"), DMM_IDN)
        self.assertEqual(dmm.get_visa_attribute(constants.VI_ATTR_TERMCHAR), 10)
        self.assertTrue(dmm.get_visa_attribute(constants.VI_ATTR_TERMCHAR_EN))
        dmm.write("CONF:VOLT 10")
        dmm.write("INIT")
        float(dmm.query("FETCH?"))
        dmm.write_raw(b"*IDN?\n")
        self.assertEqual(dmm.read_raw(), (DMM_IDN + "\n").encode())

    def test_time_out_reports_vi_error_tmo(self):
        calibrator = self.open("GPIB0::5::INSTR")
        calibrator.timeout = 100
        self.assertEqual(calibrator.timeout, 100)
        calibrator.timeout = 2000
        self.assertEqual(calibrator.timeout, 3000)
        calibrator.timeout = 100
        with self.assertRaises(errors.VisaIOError) as caught:
            calibrator.query("*CAL?")
        self.assertEqual(caught.exception.error_code, constants.StatusCode.error_timeout)
        calibrator.clear()

    def test_status_byte_clear_and_trigger(self):
        dmm = self.open()
        self.assertIsInstance(dmm.read_stb(), int)
        dmm.clear()
        dmm.assert_trigger()
        dmm.control_ren(constants.RENLineOperation.asrt_address)
        dmm.control_ren(constants.RENLineOperation.address_gtl)

    def test_wait_for_a_service_request(self):
        dmm = self.open()
        dmm.write("*CLS;*SRE 32;*ESE 1;*OPC")
        dmm.wait_for_srq(10000)
        dmm.write("*SRE 0")

    def test_locks_keep_other_sessions_out(self):
        first = self.open()
        second = self.open()
        first.lock_excl()
        with self.assertRaises(errors.VisaIOError) as caught:
            second.write("*IDN?")
        self.assertEqual(caught.exception.error_code, constants.StatusCode.error_resource_locked)
        first.unlock()
        key = first.lock(requested_key="bench")
        self.assertIn(key, ("bench", b"bench"))  # pyvisa 1.11 hands back the buffer's bytes
        second.lock(requested_key=key)
        self.assertEqual(second.query("*IDN?").strip(), DMM_IDN)
        first.unlock()
        second.unlock()

    def test_bad_names_and_closed_sessions(self):
        with self.assertRaises(errors.VisaIOError) as caught:
            self.rm.open_resource("GPIB0::99::INSTR")
        self.assertEqual(caught.exception.error_code, constants.StatusCode.error_invalid_resource_name)
        with self.assertRaises(errors.VisaIOError) as caught:
            self.rm.list_resources("GPIB(")
        self.assertEqual(caught.exception.error_code, constants.StatusCode.error_invalid_expression)
        dmm = self.rm.open_resource(DMM)
        session = dmm.session
        dmm.close()
        with self.assertRaises(errors.VisaIOError) as caught:
            self.rm.visalib.read_stb(session)
        self.assertEqual(caught.exception.error_code, constants.StatusCode.error_invalid_object)

    def test_bus_control_through_the_board(self):
        board = self.open("GPIB0::INTFC")
        dmm = self.open(write_termination="\n")
        dmm.timeout = 300
        dmm.write("*IDN?")
        # Unlisten, listen address 22, selected device clear: the unread reply goes.
        count, _ = board.send_command(bytes([0x3F, 0x20 + 22, 0x04]))
        self.assertEqual(count, 3)
        with self.assertRaises(errors.VisaIOError) as caught:
            dmm.read()
        self.assertEqual(caught.exception.error_code, constants.StatusCode.error_timeout)
        board.control_atn(constants.ATNLineOperation.deassert)
        board.control_atn(constants.ATNLineOperation.asrt)
        # Control passed to the meter leaves the board without it until interface clear.
        board.pass_control(22, constants.VI_NO_SEC_ADDR)
        with self.assertRaises(errors.VisaIOError) as caught:
            board.send_command(bytes([0x3F]))
        self.assertEqual(caught.exception.error_code, constants.StatusCode.error_not_cic)
        board.send_ifc()
        self.assertEqual(board.send_command(bytes([0x3F]))[0], 1)
        dmm.send_ifc()  # instrument sessions reach their board too
        self.assertEqual(dmm.query("*IDN?").strip(), DMM_IDN)
        # GPIB has no trigger lines to map.
        with self.assertRaises(errors.VisaIOError) as caught:
            self.rm.visalib.map_trigger(dmm.session, constants.VI_TRIG_TTL0, constants.VI_TRIG_TTL1, 0)
        self.assertEqual(caught.exception.error_code, constants.StatusCode.error_nonsupported_operation)

    def test_scpi_meter_parameter_forms(self):
        # The commands a SCPI meter class sends, with the calibrator sourcing 1.5 V.
        calibrator = self.open("GPIB0::5::INSTR", write_termination="\n")
        calibrator.write("VOLT 1.5;OUTP ON")
        self.addCleanup(calibrator.write, "OUTP OFF")
        dmm = self.open(read_termination="\n", write_termination="\n")
        dmm.write("*CLS")  # errors other tests left
        for command in (
            "MEAS:VOLT:DC? DEF,DEF",
            "MEAS:VOLT:DC? 10,0.001",
            "MEAS:VOLT:DC? 10 V,MIN",
            "MEAS:VOLT:DC? MAX,MAX",
            "MEAS:VOLT:DC?",
        ):
            self.assertAlmostEqual(float(dmm.query(command)), 1.5, delta=0.01, msg=command)
            self.assertEqual(dmm.query("SYST:ERR?"), '0,"No error"', command)
        dmm.write("CONF:VOLT:DC MIN,0.001")
        self.assertEqual(float(dmm.query("VOLT:RANG?")), 0.1)
        self.assertEqual(float(dmm.query("VOLT:DC:RES?")), 0.001)
        self.assertEqual(dmm.query("VOLT:DC:RANG:AUTO?"), "1")
        dmm.write("CONF:CURR:DC 1 A,DEF")
        self.assertEqual(dmm.query("SYST:ERR?"), '0,"No error"')
        dmm.write("CONF:VOLT:DC DEF,DEF")

    def test_formatted_io(self):
        dmm = self.open()
        lib = self.rm.visalib.lib
        session = ctypes.c_uint32(dmm.session)
        reply = ctypes.create_string_buffer(256)
        self.assertEqual(lib.viPrintf(session, b"%s\n", b"*IDN?"), 0)
        self.assertEqual(lib.viScanf(session, b"%t", reply), 0)
        self.assertEqual(reply.value.decode(), DMM_IDN + "\n")
        reading = ctypes.c_double(-1)
        status = lib.viQueryf(session, b"MEAS:VOLT:DC? %s,%s\n", b"%lf", b"DEF", b"DEF", ctypes.byref(reading))
        self.assertEqual(status, 0)
        self.assertLess(abs(reading.value), 0.01)

    def test_library_identity(self):
        self.assertEqual(
            self.rm.visalib.get_attribute(self.rm.session, constants.VI_ATTR_RSRC_MANF_NAME)[0], "Sorbel"
        )


if __name__ == "__main__":
    unittest.main(verbosity=2)
