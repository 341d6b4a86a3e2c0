#!/usr/bin/env python3
"""Many sites federated into one Prometheus, set up as docs/monitoring.md says.

    many_sites_test.py ORVANE PROMETHEUS SOURCE_DIR WORKDIR

Two sites (an orvane serve over cameras of its own, a Prometheus with the
shipped prometheus.yml and orvane-alerts.yml, named by the doc's block) and a
centre with the shipped central files, only addresses and names replaced. The
doc's query puts each camera under its own site alone; federated series keep
job and instance; north's alert (its limit below every reading) fires there and
at the centre under north; south's Prometheus gone, its cameras leave the
overview at once.
"""
import os
import re
import shutil
import subprocess
import time

from prometheus_scrape_test import DocPrometheus, Processes, scenario_main, Service, fail, wait_for

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


def copy_shipped(folder, names, replace):
    """Copies docs/monitoring/NAMES into folder, with replace's {old: new} in the first."""
    for name in names:
        shutil.copy(os.path.join(args.source, "docs", "monitoring", name), folder)
    with open(os.path.join(folder, names[0])) as file:
        text = file.read()
    for old, new in replace.items():
        if old not in text:
            fail("%s has no %r" % (names[0], old))
        text = text.replace(old, new)
    with open(os.path.join(folder, names[0]), "w") as file:
        file.write(text)


def site_prometheus(processes, site, service):
    folder = os.path.join(args.work, site)
    copy_shipped(folder, ("prometheus.yml", "orvane-alerts.yml"), {"127.0.0.1:9410": "127.0.0.1:%d" % service.port})
    subprocess.run(["sh", "-ec", doc_block().replace(DOC_SITE, site)], cwd=folder, check=True, timeout=30)
    return DocPrometheus(processes, args.prometheus, folder)


def labelled(prometheus, expression, *names):
    """The set of tuples of `names` labels of the series an instant query returns."""
    return {tuple(dict(series).get(name) for name in names) for series in prometheus.query(expression)}


def run(given, processes, services):
    global args
    args = given
    sites = {}
    for site, (cameras, limit) in SITES.items():
        folder = os.path.join(args.work, site)
        os.makedirs(folder)
        service = Service(processes, args.orvane, folder, cameras, ["--alarm-above", limit])
        services.append(service)
        sites[site] = site_prometheus(processes, site, service)

    central = os.path.join(args.work, "central")
    os.makedirs(central)
    copy_shipped(central, ("central-prometheus.yml", "central-alerts.yml"),
                 {"prometheus.%s.example.lan:9090" % site: prometheus.address for site, prometheus in sites.items()})
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
    scenario_main(__doc__, run, "many sites")


if __name__ == "__main__":
    main()
