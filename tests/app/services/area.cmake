# Web-service requests against the loopback web service, XML reading, proxies and the update check.
set(AREA_TIMEOUT 60)
