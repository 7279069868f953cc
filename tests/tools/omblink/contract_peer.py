#!/usr/bin/python3
"""A debugger-link peer written from the platform contracts alone: window messages are
frames on $CORVID_RUNTIME_DIR/wnd/<class>, records travel in the files
$CORVID_RUNTIME_DIR/map/<name>, and no lock convention of any kind is followed.

  contract_peer.py send HEX      as the driver: put the record in the driver's mapping,
                                 announce it, print the answer
  contract_peer.py debugger HEX  as the debugger: answer hold 0 and playback 1, give HEX as
                                 the replay record, and print each record announced to it as
                                 a line of hex; ends after two messages that carried data
"""
import mmap
import os
import socket
import struct
import sys

MAGIC = 0x574D424F
WM_USER = 0x400
SENDS_DATA, QUERY_HOLD, QUERY_PLAYBACK, WANTS_DATA = WM_USER + 4, WM_USER + 5, WM_USER + 6, WM_USER + 7
CONTROLLER = "OMBRADEBUGCONTROLLER"
DRIVER_MAP = "IOCOMPONENTSENDSGPIBCOMMANDINFO"
REPLAY_MAP = "OMBRADEBUGGERSENDSGPIBCOMMANDINFO"
runtime = os.environ["CORVID_RUNTIME_DIR"]
os.makedirs(runtime, mode=0o700, exist_ok=True)  # private, as the contract requires


def map_path(name):
    os.makedirs(os.path.join(runtime, "map"), mode=0o700, exist_ok=True)
    return os.path.join(runtime, "map", name)


def create_mapping(name, data):
    # Created with its size and filled through a shared view, as the contract says.
    fd = os.open(map_path(name), os.O_RDWR | os.O_CREAT, 0o600)
    os.ftruncate(fd, len(data))
    view = mmap.mmap(fd, len(data), mmap.MAP_SHARED)
    view[:] = data
    return fd, view


def read_mapping(name, length):
    fd = os.open(map_path(name), os.O_RDWR)
    try:
        with mmap.mmap(fd, length, mmap.MAP_SHARED) as view:
            return bytes(view[:length])
    finally:
        os.close(fd)


def frame(message, lparam):
    return struct.pack("<IIQqII", MAGIC, message, 0, lparam, os.getpid(), 0)


def send(record):
    fd, view = create_mapping(DRIVER_MAP, record)
    try:
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as peer:
            peer.connect(os.path.join(runtime, "wnd", CONTROLLER))
            peer.sendall(frame(SENDS_DATA, len(record)))
            answer = b""
            while len(answer) < 8:
                chunk = peer.recv(8 - len(answer))
                if not chunk:
                    break
                answer += chunk
        print(struct.unpack("<q", answer)[0] if len(answer) == 8 else 0, flush=True)
    finally:
        view.close()
        os.close(fd)
        os.unlink(map_path(DRIVER_MAP))  # the creator removes its file


def debugger(replay):
    directory = os.path.join(runtime, "wnd")
    os.makedirs(directory, mode=0o700, exist_ok=True)
    path = os.path.join(directory, CONTROLLER)
    server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    server.bind(path)
    server.listen(4)
    print("ready", flush=True)
    replay_fd, replay_view = create_mapping(REPLAY_MAP, replay)
    carried = 0
    try:
        while carried < 2:
            connection, _ = server.accept()
            with connection:
                while carried < 2:
                    request = b""
                    while len(request) < 32:
                        chunk = connection.recv(32 - len(request))
                        if not chunk:
                            break
                        request += chunk
                    if len(request) < 32:
                        break
                    magic, message, _, lparam, _, _ = struct.unpack("<IIQqII", request)
                    result = 0
                    if magic == MAGIC and message == SENDS_DATA:
                        print(read_mapping(DRIVER_MAP, lparam).hex(), flush=True)
                        result, carried = 1, carried + 1
                    elif message == QUERY_PLAYBACK:
                        result = 1
                    elif message == WANTS_DATA:
                        result, carried = len(replay), carried + 1
                    connection.sendall(struct.pack("<q", result))
    finally:
        replay_view.close()
        os.close(replay_fd)
        os.unlink(map_path(REPLAY_MAP))
        os.unlink(path)


if __name__ == "__main__":
    role, record = sys.argv[1], bytes.fromhex(sys.argv[2])
    send(record) if role == "send" else debugger(record)
