#!/usr/bin/env python3
"""Writes fuzz_wire's seed corpus: real answers of the probe simulator to a
GET of the probe's name, each the way the simulator sends it for one of its
faults, behind the mode byte 1 (copy the request identifier).

usage: fuzz/make-wire-seeds.py BUILD/bin/vimboProbeSim fuzz/corpus/fuzz_wire
"""
import os, socket, subprocess, sys, tempfile, time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
import probesim  # noqa: E402

ROOT = ".1.3.6.1.4.1.32473.2.2"
NAME = ROOT + ".1.1.0"


def tlv(tag, content):
    n = len(content)
    if n < 0x80:
        head = bytes([n])
    elif n < 0x100:
        head = bytes([0x81, n])
    else:
        head = bytes([0x82, n >> 8, n & 0xFF])
    return bytes([tag]) + head + content


def oid(text):
    arcs = [int(a) for a in text.strip(".").split(".")]
    out = bytearray([arcs[0] * 40 + arcs[1]])
    for arc in arcs[2:]:
        chunk = [arc & 0x7F]
        arc >>= 7
        while arc:
            chunk.insert(0, 0x80 | (arc & 0x7F))
            arc >>= 7
        out += bytes(chunk)
    return tlv(0x06, bytes(out))


def get_request(name):
    binding = tlv(0x30, oid(name) + b"\x05\x00")
    pdu = tlv(0xA0, tlv(0x02, b"\x01\x02\x03\x04") + tlv(0x02, b"\x00") + tlv(0x02, b"\x00") + tlv(0x30, binding))
    return tlv(0x30, tlv(0x02, b"\x00") + tlv(0x04, b"tavelo") + pdu)


CASES = {
    "string": ([], NAME),
    "another-oid-integer": ([], ROOT + ".3.3.0"),
    "oversize-string": (["--oversize", NAME + "=65000"], NAME),
    "long-name": (["--long-name", NAME], NAME),
    "error-status": (["--error-oid", NAME + "=2"], NAME),
    "no-such-instance": ([], ROOT + ".1.1.7"),
}
for kind, value in [("integer", "-5"), ("counter32", "7"), ("gauge32", "4294967295"), ("timeticks", "100"),
                    ("uinteger32", "7"), ("oid", "1.3.6.1.4.1.32473"), ("ipaddress", "127.0.0.1"), ("null", None),
                    ("opaque", "9F780441200000"), ("opaque-float", "1.5"), ("octets", "00FF7F80"),
                    ("bits", "80"), ("string", "x")]:
    fault = NAME + "=" + kind + ("" if value is None else ":" + value)
    CASES["type-" + kind] = (["--wrong-type", fault], NAME)


def main():
    sim, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    scratch = tempfile.mkdtemp()
    env = probesim.isolated_env(scratch)
    for name, (args, target) in sorted(CASES.items()):
        proc, port = probesim.start_sim(sim, env, *args)
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.settimeout(2)
        s.sendto(get_request(target), ("127.0.0.1", port))
        answer, _ = s.recvfrom(65536)
        proc.terminate()
        proc.wait()
        with open(os.path.join(out, name), "wb") as f:
            f.write(b"\x01" + answer)
        print(name, len(answer))
    # Bytes that are no message at all, sent as they are.
    with open(os.path.join(out, "raw-garbage"), "wb") as f:
        f.write(b"\x00\x30\x82\xff\xff\x02\x01")


main()
