#!/usr/bin/env python3
# Checks of the flood driver itself: the lines it sends are what it claims, every
# byte it counts as drained reached the reader in order, and a reader that stops
# shows up as an incomplete flood instead of a rate.
import importlib.util
import os
import threading
import unittest

_spec = importlib.util.spec_from_file_location("gui_flood", os.path.join(os.path.dirname(__file__), "gui-flood.py"))
flood_driver = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(flood_driver)


class MakeLines(unittest.TestCase):
    def test_lines_have_the_stated_length_and_count_up(self):
        for line_bytes, first_two in [(59, b"00000000 abcdefghijklmnopqrstuvwxyz0123456789abcdefghijkl\r\n"
                                           b"00000001 abcdefghijklmnopqrstuvwxyz0123456789abcdefghijkl\r\n"),
                                      (10, b"00000000\r\n00000001\r\n")]:
            with self.subTest(line_bytes=line_bytes):
                data = flood_driver.make_lines(line_bytes, 100000)
                self.assertEqual(data[:2 * line_bytes], first_two)
                self.assertEqual(len(data) % line_bytes, 0)
                lines = data.split(b"\r\n")[:-1]
                self.assertTrue(all(len(line) == line_bytes - 2 for line in lines))
                self.assertEqual([int(line[:8]) for line in lines], list(range(len(lines))))


class Flood(unittest.TestCase):
    def setUp(self):
        self.master, self.slave, _ = flood_driver.open_pty_pair()

    def tearDown(self):
        os.close(self.master)
        os.close(self.slave)

    def test_every_counted_byte_reaches_the_reader_in_order(self):
        data = flood_driver.make_lines(10, 50)  # short, so the flood wraps round it many times
        total = 300000
        received = bytearray()
        reader_fd = os.dup(self.slave)

        def read_all():
            while len(received) < total:
                received.extend(os.read(reader_fd, 65536))

        reader = threading.Thread(target=read_all)
        reader.start()
        done, seconds = flood_driver.flood(self.master, self.slave, data, total, 20.0)
        reader.join(5)
        os.close(reader_fd)
        self.assertEqual(done, total)
        self.assertGreater(seconds, 0)
        expected = (data * (total // len(data) + 1))[:total]
        self.assertEqual(bytes(received), expected)

    def test_a_reader_that_stops_is_an_incomplete_flood(self):
        data = flood_driver.make_lines(59, 4096)
        done, _ = flood_driver.flood(self.master, self.slave, data, 1 << 20, 1.0)
        self.assertLess(done, 1 << 20)
        self.assertGreaterEqual(done, 0)


if __name__ == "__main__":
    unittest.main()
