"""pyvisa against the VXI, GPIB-VXI and PXI modules of the simulated demo bench.

usage: modules_test.py LIBRARY [unittest arguments]
Runs with a fresh CORVID_HOME and no visa.ini (the demo bench), and with an empty sysfs
tree, so that only the bench's PXI module is listed.
"""
import atexit
import os
import shutil
import sys
import tempfile
import unittest

LIBRARY = sys.argv.pop(1)
os.environ["CORVID_HOME"] = tempfile.mkdtemp(prefix="corvid-pyvisa-")
atexit.register(shutil.rmtree, os.environ["CORVID_HOME"], True)
os.environ["CORVID_PCI_SYSFS"] = os.path.join(os.environ["CORVID_HOME"], "sysfs")
os.makedirs(os.environ["CORVID_PCI_SYSFS"])
os.environ.pop("CORVID_SIM_BENCH", None)

import pyvisa  # noqa: E402
from pyvisa import constants, errors  # noqa: E402
from pyvisa.resources import MessageBasedResource, RegisterBasedResource  # noqa: E402

A16 = constants.AddressSpace.a16
A24 = constants.AddressSpace.a24


class MessageAndRegisters(MessageBasedResource, RegisterBasedResource):
    """A message-based VXI module: pyvisa's own VXI class has no message I/O."""


class Modules(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.rm = pyvisa.ResourceManager(LIBRARY)

    @classmethod
    def tearDownClass(cls):
        cls.rm.close()

    def open(self, name, **settings):
        resource = self.rm.open_resource(name, **settings)
        self.addCleanup(resource.close)
        return resource

    def test_lists_vxi_gpib_vxi_and_pxi_resources(self):
        names = self.rm.list_resources()
        for name in ("VXI0::24::INSTR", "VXI0::32::INSTR", "GPIB-VXI0::16::INSTR", "PXI3::0::0::INSTR"):
            self.assertIn(name, names)

    def test_queries_the_message_based_modules(self):
        vxi = self.open("VXI0::24::INSTR", resource_pyclass=MessageAndRegisters)
        self.assertEqual(vxi.query("*IDN?"), "Larkspur Instruments,LM-4065V,LK4065V-00417,2.07\n")
        self.assertTrue(vxi.query("MEAS:VOLT:DC?").startswith(("+", "-")))
        gpib_vxi = self.open("GPIB-VXI0::16::INSTR", resource_pyclass=MessageAndRegisters)
        self.assertEqual(gpib_vxi.query("*IDN?"), "Orbis Metrology,FC-3120V,OM3120V-0088,4.01\n")

    def test_reads_the_manufacturer_id_from_the_configuration_registers(self):
        for name in ("VXI0::24::INSTR", "VXI0::32::INSTR"):
            module = self.open(name)
            identity = module.read_memory(A16, 0, 16)
            self.assertEqual(identity & 0xFFF, module.get_visa_attribute(constants.VI_ATTR_MANF_ID))
            self.assertEqual(identity & 0xFFF, 0xF5C)
        gpib_vxi = self.open("GPIB-VXI0::16::INSTR", resource_pyclass=MessageAndRegisters)
        self.assertEqual(gpib_vxi.read_memory(A16, 0, 16) & 0xFFF, 0xF5C)

    def test_reads_writes_and_moves_registers(self):
        dio = self.open("VXI0::32::INSTR")
        dio.write_memory(A16, 0x20, 0x1357, 16)
        self.assertEqual(dio.read_memory(A16, 0x20, 16), 0x1357)
        dio.move_out(A24, 0x100, 4, [1, 2, 3, 4], 16)
        self.assertEqual(dio.move_in(A24, 0x100, 4, 16), [1, 2, 3, 4])
        with self.assertRaises(errors.VisaIOError) as caught:
            dio.read_memory(A16, 0x40, 16)
        self.assertEqual(caught.exception.error_code, constants.StatusCode.error_nonsupported_offset)
        with self.assertRaises(errors.VisaIOError) as caught:
            dio.read_memory(constants.AddressSpace.a32, 0, 16)
        self.assertEqual(caught.exception.error_code, constants.StatusCode.error_invalid_address_space)

    def test_maps_and_peeks(self):
        dio = self.open("VXI0::32::INSTR")
        address = self.rm.visalib.map_address(dio.session, A16, 0, 0x40)[0]
        self.assertEqual(self.rm.visalib.peek_16(dio.session, address)[0], 0xCF5C)
        self.rm.visalib.unmap_address(dio.session)

    def test_a_pxi_module_shows_its_identifiers_and_registers(self):
        daq = self.open("PXI3::0::0::INSTR")
        self.assertEqual(daq.get_visa_attribute(constants.VI_ATTR_MANF_ID), 0x1A5B)
        self.assertEqual(daq.get_visa_attribute(constants.VI_ATTR_MODEL_CODE), 0x4710)
        self.assertEqual(daq.read_memory(constants.AddressSpace.pxi_config, 0, 16), 0x1A5B)
        daq.write_memory(constants.AddressSpace.pxi_bar0, 0x20, 0xA5A5A5A5, 32)
        self.assertEqual(daq.read_memory(constants.AddressSpace.pxi_bar0, 0x20, 32), 0xA5A5A5A5)


if __name__ == "__main__":
    unittest.main(verbosity=2)
