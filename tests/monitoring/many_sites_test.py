#!/usr/bin/env python3
"""Many sites federated into one Prometheus, set up as docs/monitoring.md says.

    many_sites_test.py ORVANE PROMETHEUS SOURCE_DIR WORKDIR

Two sites, each an orvane serve over simulated cameras of its own and a
Prometheus with docs/monitoring/prometheus.yml and orvane-alerts.yml as
shipped: named by the doc's block (its example site's name replaced for the
second site), its target the site's service. A central Prometheus with
docs/monitoring/central-prometheus.yml and central-alerts.yml, its example
targets replaced by the sites'. Then: the doc's query for every camera's
temperature by site gives each camera once, under its own site; every
federated series keeps its job and instance and carries its site's name; an
alert evaluated at north (its limit below the simulator's readings) fires there
and shows at the centre under north; south's Prometheus stopped, as when its
link drops, is down at the centre and its cameras leave the overview while
north's stay.
"""
import os
import re
import shutil
import subprocess
import sys
import time
import types

from prometheus_scrape_test import DocPrometheus, Processes, Service, fail, wait_for

# Each site's cameras and the alarm limit above its service is given: north's
# is below every reading, so that its temperature alert fires after its minute.
SITES = {"north": (("192.0.2.64", "192.0.2.66"), "10"), "south": (("198.51.100.10",), "none")}
DOC_SITE = "north"  # the name the doc's block gives its example site
TEMPERATURE_BY_SITE = 'max by (site, camera) (orvane_thermometry_temperature_celsius{reading=~"max|point"})'
# Site evaluation every 15 s, the rule's minute, federation every 15 s and starting up.
ALERT_WAIT = 180
args = None


def doc_block():
    """The shell block of the "Many sites" section that names a site."""
    with open(os.path.join(args.source, "docs", "monitoring.md")) as file:
        found = re.search(r"<!-- tests/monitoring/many_sites_test.py runs this block -->\n```sh\n(.*?)```",
                          file.read(), re.S)
    if not found:
        fail("docs/monitoring.md has no block marked for this test")
    return found.group(1)


def shipped(name):
    return os.path.join(args.source, "docs", "monitoring", name)


def edit(path, old, new):
    with open(path) as file:
        text = file.read()
    if old not in text:
        fail("%s has no %r" % (path, old))
    with open(path, "w") as file:
        file.write(text.replace(old, new))


def site_prometheus(processes, site, service):
    folder = os.path.join(args.work, site)
    for name in ("prometheus.yml", "orvane-alerts.yml"):
        shutil.copy(shipped(name), folder)
    subprocess.run(["sh", "-ec", doc_block().replace(DOC_SITE, site)], cwd=folder, check=True, timeout=30)
    edit(os.path.join(folder, "prometheus.yml"), "127.0.0.1:9410", "127.0.0.1:%d" % service.port)
    return DocPrometheus(processes, args.prometheus, folder)


def labelled(prometheus, expression, *names):
    """The set of tuples of `names` labels of the series an instant query returns."""
    return {tuple(dict(series).get(name) for name in names) for series in prometheus.query(expression)}


def run(processes, services):
    sites = {}
    for site, (cameras, limit) in SITES.items():
        folder = os.path.join(args.work, site)
        os.makedirs(folder)
        service = Service(processes, args.orvane, folder, cameras, ["--alarm-above", limit])
        services.append(service)
        sites[site] = site_prometheus(processes, site, service)

    central = os.path.join(args.work, "central")
    os.makedirs(central)
    for name in ("central-prometheus.yml", "central-alerts.yml"):
        shutil.copy(shipped(name), central)
    for site, prometheus in sites.items():
        edit(os.path.join(central, "central-prometheus.yml"), "prometheus.%s.example.lan:9090" % site,
             prometheus.address)
    centre = DocPrometheus(processes, args.prometheus, central, "central-prometheus.yml")

    # Every camera's temperature, each under its own site only.
    expected = {(site, camera) for site, (cameras, _) in SITES.items() for camera in cameras}
    wait_for("every camera's temperature at the centre",
             lambda: labelled(centre, TEMPERATURE_BY_SITE, "site", "camera") == expected, limit=60)
    for series in centre.query('{__name__=~"orvane_.*"}'):
        labels = dict(series)
        site = labels.get("site")
        if (site not in SITES or labels.get("job") != "orvane" or any(n.startswith("exported_") for n in labels)
                or labels.get("camera", SITES[site][0][0]) not in SITES[site][0]):
            fail("a federated series with the wrong labels: %s" % labels)
    print("the centre has every camera's temperature under its site: %s" % sorted(expected))

    # An alert evaluated at north: firing there, then at the centre with north's name.
    alert = 'ALERTS{alertname="OrvaneTemperatureHigh", alertstate="firing"}'
    north = set(SITES["north"][0])
    began = time.monotonic()
    wait_for("north's temperature alert at north", lambda: {c for (c,) in labelled(
        sites["north"], alert, "camera")} == north, limit=ALERT_WAIT)
    wait_for("north's temperature alert at the centre", lambda: labelled(
        centre, alert, "site", "camera") == {("north", camera) for camera in north}, limit=60)
    if labelled(sites["south"], 'ALERTS{alertname="OrvaneTemperatureHigh"}', "camera"):
        fail("south, without a limit, has a temperature alert")
    print("north's alert fires there and shows at the centre under north (%.0f s)" % (time.monotonic() - began))

    # South's Prometheus gone, as when its link drops: down at the centre, its cameras out of the overview.
    sites["south"].process.terminate()
    wait_for("south to be down at the centre", lambda: centre.value(
        'up{job="orvane-sites", instance="%s"}' % sites["south"].address) == 0, limit=60)
    wait_for("only north's cameras in the overview", lambda: labelled(
        centre, TEMPERATURE_BY_SITE, "site", "camera") == {("north", camera) for camera in north})
    print("south unreachable: up 0 at the centre, north's cameras still there")


def main():
    global args
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    args = types.SimpleNamespace(**dict(zip(("orvane", "prometheus", "source", "work"), sys.argv[1:])))
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    processes = Processes()
    services = []
    began = time.monotonic()
    try:
        run(processes, services)
    except (AssertionError, subprocess.SubprocessError, OSError) as error:
        for service in services:
            print("orvane serve's log:\n" + "\n".join(service.log), file=sys.stderr)
        sys.exit("FAILED: %s" % error)
    finally:
        processes.end_all()
    shutil.rmtree(args.work, ignore_errors=True)
    print("many sites: passed in %.0f s" % (time.monotonic() - began))


if __name__ == "__main__":
    main()
