#!/usr/bin/env python3
"""Records seeds for fuzz_ldap_results from a real directory server.

Listens on a loopback port, relays every connection to the server, and writes what the server
answered to each request, pieces separated by "\\n--\\n", into one seed file per connection.

    record_ldap_seeds.py LISTEN_PORT SERVER_HOST SERVER_PORT OUTPUT_PREFIX
then run fuzz_ldap_results on any input with BASALT_LDAP_FUZZ_PORT=LISTEN_PORT.
"""
import select
import socket
import sys

listen_port, host, port, prefix = int(sys.argv[1]), sys.argv[2], int(sys.argv[3]), sys.argv[4]
listener = socket.create_server(("127.0.0.1", listen_port))
listener.settimeout(20)
count = 0
while True:
    try:
        client, _ = listener.accept()
    except socket.timeout:
        break
    server = socket.create_connection((host, port))
    pieces = []
    while True:
        ready, _, _ = select.select([client], [], [], 3)
        if not ready:
            break
        request = client.recv(65536)
        if not request:
            break
        server.sendall(request)
        answer = b""
        while select.select([server], [], [], 0.3)[0]:
            chunk = server.recv(65536)
            if not chunk:
                break
            answer += chunk
        pieces.append(answer)
        client.sendall(answer)
    client.close()
    server.close()
    count += 1
    with open(f"{prefix}-{count}", "wb") as out:
        out.write(b"\n--\n".join(pieces))
    print(f"connection {count}: {len(pieces)} answers")
