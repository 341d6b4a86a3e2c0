#!/usr/bin/env python3
"""orvane serve over TLS with a password, set up as docs/monitoring.md says.

    secure_scrape_test.py ORVANE PROMETHEUS SOURCE_DIR WORKDIR

Runs the doc's block that makes the certificate, the password and its hash,
with the shipped docs/monitoring/web-config.yml; starts the service with it
and a real Prometheus with docs/monitoring/prometheus-tls.yml, the target's
name replaced as the doc says. Then: every endpoint refuses missing or wrong
credentials; idle connections are closed, the handshake within the first
byte's deadline; a renewed certificate is served to new connections while an open
one goes on; client certificates once the file asks for them; a broken file
at a reload is logged and the settings kept; a bad file at start is refused;
a listener open to the network without the file warns.
"""
import base64
import hashlib
import http.client
import os
import re
import shutil
import socket
import ssl
import subprocess
import threading
import time

from prometheus_scrape_test import DocPrometheus, Processes, scenario_main, fail, wait_for

CAMERA = "192.0.2.64"
HOST = "localhost"  # the name the doc's example stands for
DOC_HOST = "cameras.example.lan"
PATHS = ("/", "/app.js", "/metrics", "/api/cameras", "/api/history", "/healthz")
args = None


def sh(script, cwd):
    subprocess.run(["sh", "-ec", script], cwd=cwd, check=True, timeout=60, capture_output=True)


def doc_block():
    """The shell block the doc says the test runs, for this machine."""
    with open(os.path.join(args.source, "docs", "monitoring.md")) as file:
        text = file.read()
    found = re.search(r"<!-- tests/monitoring/secure_scrape_test.py runs this block as written -->\n```sh\n(.*?)```",
                      text, re.S)
    if not found:
        fail("docs/monitoring.md has no block marked for this test")
    return found.group(1).replace("/opt/orvane/", args.source + "/").replace(DOC_HOST, HOST)


class Service:
    """orvane serve with `extra` options; its log collected as it comes."""

    def __init__(self, processes, extra):
        environment = dict(os.environ, ORVANE_PASSWORD="orvane-demo")
        self.process = processes.start([args.orvane, "serve", "-a", CAMERA, *extra], env=environment,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, errors="replace")
        self.log = []
        self.reader = threading.Thread(
            target=lambda: [self.log.append(line.rstrip("\n")) for line in self.process.stderr], daemon=True)
        self.reader.start()
        self.port = int(wait_for("the listening line", lambda: next(
            (m.group(1) for m in map(re.compile(r"listening on https?://[^ ]*:(\d+)/$").match, self.log) if m), None)))

    def said(self, pattern):
        return any(re.search(pattern, line) for line in self.log)


def tls_context(client_cert=None):
    context = ssl.create_default_context(cafile=os.path.join(args.work, "orvane.crt"))
    if client_cert:
        context.load_cert_chain(*(os.path.join(args.work, name) for name in client_cert))
    return context


def connect(service, client_cert=None):
    connection = http.client.HTTPSConnection(HOST, service.port, timeout=10, context=tls_context(client_cert))
    connection.connect()
    return connection


def request(connection, path, credentials):
    headers = {}
    if credentials:
        headers["Authorization"] = "Basic " + base64.b64encode(credentials.encode()).decode()
    connection.request("GET", path, headers=headers)
    response = connection.getresponse()
    response.read()
    return response.status, response.getheader("WWW-Authenticate")


def served_certificate(connection):
    return hashlib.sha256(connection.sock.getpeercert(binary_form=True)).hexdigest()


def file_certificate():
    with open(os.path.join(args.work, "orvane.crt")) as file:
        return hashlib.sha256(ssl.PEM_cert_to_DER_cert(file.read())).hexdigest()


def main():
    scenario_main(__doc__, run, "TLS, passwords, renewal, client certificates and the open-listener warning")


def run(given, processes, services):
    global args
    args = given
    block = doc_block()
    sh(block, args.work)
    config = os.path.join(args.work, "web-config.yml")
    with open(os.path.join(args.work, "scrape-password")) as file:
        password = file.read().strip()

    # Refused at start, exit 2 with the file named: the file as shipped, and a key of another certificate.
    sh("openssl genpkey -algorithm ec -pkeyopt ec_paramgen_curve:prime256v1 -out other.key", args.work)
    with open(config) as file:
        other = os.path.join(args.work, "other-key.yml")
        with open(other, "w") as out:
            out.write(file.read().replace("orvane.key", "other.key"))
    shipped = os.path.join(args.source, "docs", "monitoring", "web-config.yml")
    for path, problem in ((shipped, "is not a bcrypt hash"), (other, "is not an unencrypted PEM key of cert_file")):
        ended = subprocess.run([args.orvane, "serve", "-a", CAMERA, "--web.config.file", path], capture_output=True,
                               text=True, timeout=30, env=dict(os.environ, ORVANE_PASSWORD="x"))
        if ended.returncode != 2 or path not in ended.stderr or problem not in ended.stderr:
            fail("%s at start: exit %d, %r" % (path, ended.returncode, ended.stderr))

    service = Service(processes, ["--web.listen-address", "127.0.0.1:0", "--web.config.file", config])
    services.append(service)
    if not service.said(r"^listening on https://127\.0\.0\.1:\d+/$") or service.said("open to the network"):
        fail("the listening lines: %s" % service.log)

    # Every endpoint, each way of asking.
    for path in PATHS:
        for credentials, wanted in ((None, 401), ("prometheus:wrong", 401), ("nobody:" + password, 401),
                                    ("prometheus:" + password, 200)):
            connection = connect(service)
            status, challenge = request(connection, path, credentials)
            connection.close()
            if status != wanted or (wanted == 401) != (challenge == 'Basic realm="orvane"'):
                fail("%s with %s: %d, WWW-Authenticate %r" % (path, credentials and credentials.split(":")[0],
                                                               status, challenge))

    # The deadline for a request's first byte (2 s) holds over TLS, the handshake counted in it.
    for handshake in (False, True):
        began = time.monotonic()
        idle = socket.create_connection(("127.0.0.1", service.port), timeout=10)
        if handshake:
            idle = tls_context().wrap_socket(idle, server_hostname=HOST)
        try:
            closed = idle.recv(1) == b""
        except (ConnectionError, ssl.SSLError):
            closed = True
        idle.close()
        if not closed or time.monotonic() - began > 5:
            fail("an idle connection (handshake: %s) was not closed within 5 s" % handshake)

    # A real Prometheus with the doc's scrape job.
    folder = os.path.join(args.work, "prometheus")
    os.makedirs(folder)
    for name in ("orvane.crt", "scrape-password"):
        shutil.copy(os.path.join(args.work, name), folder)
    shutil.copy(os.path.join(args.source, "docs", "monitoring", "orvane-alerts.yml"), folder)
    with open(os.path.join(args.source, "docs", "monitoring", "prometheus-tls.yml")) as file:
        job = file.read().replace("%s:9410" % DOC_HOST, "%s:%d" % (HOST, service.port))
    with open(os.path.join(folder, "prometheus.yml"), "w") as file:
        file.write(job.replace("scrape_interval: 5s", "scrape_interval: 1s").replace("scrape_timeout: 4s",
                                                                                       "scrape_timeout: 1s"))
    prometheus = DocPrometheus(processes, args.prometheus, folder)
    wait_for("Prometheus to scrape over TLS with the password", lambda: prometheus.value(
        'orvane_camera_up{job="orvane",camera="%s"}' % CAMERA) == 1)
    print("Prometheus scrapes https://%s:%d/metrics with basic auth" % (HOST, service.port))

    # Renewed: an open connection goes on, a new one gets the new certificate.
    kept = connect(service)
    old = served_certificate(kept)
    request(kept, "/healthz", "prometheus:" + password)
    sh(block.split("(umask")[0], args.work)
    renewed = file_certificate()
    if renewed == old:
        fail("the certificate did not change")
    # The service looks at most once a second; the open connection is asked
    # again within its 2 s for a next request.
    wait_for("the renewed certificate", lambda: served_certificate(connect(service)) == renewed, limit=10)
    if request(kept, "/healthz", "prometheus:" + password)[0] != 200 or served_certificate(kept) != old:
        fail("the connection open across the renewal did not go on as it was")
    kept.close()
    wait_for("the service's line on reading again", lambda: service.said("read again: TLS, 1 user"), limit=5)

    # Client certificates, once the file asks for them (replaced in place, as an editor saves).
    sh("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj /CN=clients"
       " -keyout ca.key -out ca.crt\n"
       "for who in client stranger; do openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
       " -subj /CN=$who -keyout $who.key -out $who.csr; done\n"
       "openssl x509 -req -in client.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 2 -out client.crt\n"
       "openssl x509 -req -in stranger.csr -signkey stranger.key -days 2 -out stranger.crt", args.work)
    with open(config) as file:
        text = file.read()
    with open(config, "w") as file:
        file.write(text.replace("  key_file: orvane.key\n", "  key_file: orvane.key\n  client_auth_type: "
                                "RequireAndVerifyClientCert\n  client_ca_file: ca.crt\n  min_version: TLS13\n"))
    good = ("client.crt", "client.key")

    def answers(client_cert):
        try:
            connection = connect(service, client_cert)
            status = request(connection, "/healthz", "prometheus:" + password)[0]
            connection.close()
            return status
        except (ssl.SSLError, ConnectionError, socket.timeout):
            return "refused"

    wait_for("client certificates to be asked for", lambda: answers(None) == "refused", limit=10)
    for client_cert, wanted in ((None, "refused"), (good, 200), (("stranger.crt", "stranger.key"), "refused")):
        if answers(client_cert) != wanted:
            fail("client certificate %s: %s, not %s" % (client_cert, answers(client_cert), wanted))

    # A broken file at a reload: logged, the settings in use stay.
    with open(config, "w") as file:
        file.write(text + "tls_server_config: [\n")
    wait_for("the broken file to be logged", lambda: answers(good) == 200 and service.said(
        r"web-config\.yml: not YAML: .*; the settings in use stay"), limit=10)
    if answers(None) != "refused":
        fail("a broken file let a client without a certificate in")

    # Open to the network without the file: one warning line.
    open_service = Service(processes, ["--listen", "0.0.0.0:0"])
    services.append(open_service)
    wait_for("the warning", lambda: open_service.said(
        r"the endpoints on 0\.0\.0\.0:\d+ are open to the network without TLS or password"), limit=10)
    for each in services:
        if any(password in line for line in each.log):
            fail("a log line holds the scrape password")


if __name__ == "__main__":
    main()
