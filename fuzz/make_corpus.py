#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed corpus of the fuzz targets: well-formed converter frames, reports, records and
stored files, so that the fuzzers start from inputs the program really meets."""
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))


def frame(start, words):
    s = 0
    text = ''
    for i, w in enumerate(words):
        s += (w >> 8) + (w & 0xFF) if i == 0 else (w & 0xFF)
        text += '%04X' % w
    text += '%02X' % ((256 - (s & 0xFF)) & 0xFF)
    return (start + text + '\r\n').encode()


def status(number, status_byte, code=0x41, extra=16):
    return [0x0100 | code, 0, number, 0, status_byte] + [0x1234] * extra


def put(target, name, data):
    d = os.path.join(here, 'corpus', target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), 'wb') as f:
        f.write(data)


reports = {
    'status_alarm': frame('~', status(1, 0x80)),
    'status_fault': frame('~', status(2, 0x04)),
    'status_osc': frame('~', status(2, 0x00, 0x42)),
    'ks_errors': frame('~', [0x01FD, 0, 3, 5]),
    'timeouts': frame('~', [0x01FE, 0, 4, 7]),
    'no_link': frame('~', [0x01FF, 0, 5]),
    'reply_poll': frame(':', [0x0141]),
    'reply_karta': frame(':', [0x0142, 1, 1, 22]),
    'reply_osc_on': frame(':', [0x0147, 2]),
}
for name, f in reports.items():
    put('fuzz_frame', name, f[1:-2])
    # engine: one control byte per chunk of at most 63 bytes
    chunks = b''
    for i in range(0, len(f), 40):
        part = f[i:i + 40]
        chunks += bytes([len(part) | 0x40]) + part
    put('fuzz_engine', name, chunks)
    code = {'~': f[3:5]}.get(chr(f[0]))
    if code is not None:
        put('fuzz_reports', name, bytes([int(code, 16)]) + f[1:-2])
put('fuzz_engine', 'storm', b''.join(bytes([len(f) | 0x80]) + f for f in reports.values() if len(f) < 64))

sensor = bytearray(232)
sensor[0] = 1
struct.pack_into('<I', sensor, 4, 77)        # factory number
struct.pack_into('<hh', sensor, 8, 1, 3)     # type B, slot 3
struct.pack_into('<dh', sensor, 16, 45748.5, 2)  # connected at, by
struct.pack_into('<h', sensor, 40, -1)       # not disconnected
sensor[48] = 1                               # loop 1 armed
struct.pack_into('<i', sensor, 52, 15)       # no link
sensor[56] = sensor[57] = 1
struct.pack_into('<ff', sensor, 68, 1.5, 2.5)  # DC components
event = bytearray(328)
event[0] = 1
struct.pack_into('<Idb', event, 4, 77, 45748.5, 33)
event[38:38 + 5] = 'Пуск'.encode('cp1251') + b'\0'
operator = bytearray(40)
operator[0] = 1
operator[2:2 + 7] = 'Петров'.encode('cp1251') + b'\0'
put('fuzz_records', 'sensor', bytes(sensor))
put('fuzz_records', 'event', bytes(event))
put('fuzz_records', 'operator', bytes(operator))
# data/timed-disarm.dat with two timers
timed = b'VTDA' + struct.pack('<HH', 1, 2)
timed += struct.pack('<IB3xq', 77, 1, 1738562400000) + struct.pack('<IB3xq', 78, 2, 1738559760000)
put('fuzz_records', 'timed', timed)

hw = bytearray(1202)
struct.pack_into('<Ih', hw, 18, 77, 1)
struct.pack_into('<H', hw, 1200, 3)
put('fuzz_files', 'hw', b'\0' + bytes(hw))
put('fuzz_files', 'settings', b'\1' + bytes(sensor) * 2 + b'\1' * 10)
put('fuzz_files', 'chop', b'\2' + bytes(operator) * 3 + b'\0' * 7)
put('fuzz_files', 'log', b'\3' + bytes(event) * 2 + b'\1' * 100)
