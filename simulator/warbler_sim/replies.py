"""The v1 XML shapes of the service's replies."""

import time
from xml.sax.saxutils import escape

XML_HEAD = '<?xml version="1.0" encoding="UTF-8"?>\n'


def service_time(seconds):
    """The service's date form: Wed Aug 27 13:08:45 +0000 2008."""
    return time.strftime("%a %b %d %H:%M:%S +0000 %Y", time.gmtime(seconds))


def element(name, value):
    """An element with escaped text; empty values are written as empty elements."""
    if value is None or value == "":
        return "<%s/>" % name
    if isinstance(value, bool):
        value = "true" if value else "false"
    return "<%s>%s</%s>" % (name, escape(str(value), {'"': "&quot;"}), name)


def user_xml(store, user, with_status=False):
    counts = store.counts(user["id"])
    parts = [
        element("id", user["id"]),
        element("name", user["name"]),
        element("screen_name", user["screen_name"]),
        element("location", user["location"]),
        element("description", user["description"]),
        element("profile_image_url", user["profile_image_url"]),
        element("url", user["url"]),
        element("protected", bool(user["protected"])),
        element("followers_count", counts["followers_count"]),
        element("friends_count", counts["friends_count"]),
        element("created_at", service_time(user["created_at"])),
        element("favourites_count", 0),
        element("utc_offset", ""),
        element("time_zone", ""),
        element("statuses_count", counts["statuses_count"]),
    ]
    if with_status:
        latest = store.latest_status(user["id"])
        if latest is not None:
            parts.append(status_xml(store, latest, with_user=False))
    return "<user>" + "".join(parts) + "</user>"


def status_xml(store, status, with_user=True):
    reply_to = store.status(status["in_reply_to_status_id"]) if status["in_reply_to_status_id"] else None
    reply_user = store.user(reply_to["user_id"]) if reply_to else None
    parts = [
        element("created_at", service_time(status["created_at"])),
        element("id", status["id"]),
        element("text", status["text"]),
        element("source", status["source"]),
        element("truncated", False),
        element("favorited", False),
        element("in_reply_to_status_id", reply_to["id"] if reply_to else ""),
        element("in_reply_to_user_id", reply_user["id"] if reply_user else ""),
        element("in_reply_to_screen_name", reply_user["screen_name"] if reply_user else ""),
    ]
    if status["retweeted_status_id"]:
        original = store.status(status["retweeted_status_id"])
        if original is not None:
            parts.append("<retweeted_status>%s</retweeted_status>" % status_xml(store, original)[8:-9])
    if with_user:
        parts.append(user_xml(store, store.user(status["user_id"])))
    return "<status>" + "".join(parts) + "</status>"


def statuses_xml(store, statuses):
    return XML_HEAD + '<statuses type="array">' + "".join(status_xml(store, s) for s in statuses) + "</statuses>"


def one_status_xml(store, status):
    return XML_HEAD + status_xml(store, status)


def one_user_xml(store, user):
    return XML_HEAD + user_xml(store, user, with_status=True)


def users_xml(store, users):
    return XML_HEAD + '<users type="array">' + "".join(user_xml(store, u, with_status=True) for u in users) + "</users>"


def users_list_xml(store, users, next_cursor, previous_cursor):
    return (XML_HEAD + '<users_list><users type="array">' + "".join(user_xml(store, u) for u in users) +
            "</users>" + element("next_cursor", next_cursor) + element("previous_cursor", previous_cursor) +
            "</users_list>")


def error_xml(request_path, message):
    return XML_HEAD + "<hash>" + element("request", request_path) + element("error", message) + "</hash>"
