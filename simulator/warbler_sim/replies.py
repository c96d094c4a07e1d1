"""The v1 XML and JSON shapes of the service's replies, with the service's quirks: empty elements
written <x></x>, non-ASCII text as numeric character references, and status text stored
HTML-escaped, so that its < and > reach the XML escaped twice (&amp;lt;)."""

import json
import time

XML_HEAD = '<?xml version="1.0" encoding="UTF-8"?>\n'


def xml_char(ch):
    """Whether XML 1.0 allows the character in a document."""
    code = ord(ch)
    return (code >= 0x20 and code not in (0xFFFE, 0xFFFF) and not 0xD800 <= code <= 0xDFFF) \
        or ch in "\t\n\r"


def xml_text(text):
    """The text less what XML 1.0 does not allow, as the service stored it: no stored text can
    break a reply."""
    return "".join(ch for ch in text if xml_char(ch))


def escape(text):
    out = []
    for ch in text:
        if not xml_char(ch):
            continue
        if ch == "&":
            out.append("&amp;")
        elif ch == "<":
            out.append("&lt;")
        elif ch == ">":
            out.append("&gt;")
        elif ch == '"':
            out.append("&quot;")
        elif ord(ch) > 0x7E:
            out.append("&#%d;" % ord(ch))
        else:
            out.append(ch)
    return "".join(out)


def stored_text(text):
    """Status text as the service kept it: HTML-escaped angle brackets."""
    return text.replace("<", "&lt;").replace(">", "&gt;")


def service_time(seconds):
    """The service's date form: Wed Aug 27 13:08:45 +0000 2008."""
    return time.strftime("%a %b %d %H:%M:%S +0000 %Y", time.gmtime(seconds))


def element(name, value):
    """An element with escaped text; an empty value is written <name></name>."""
    if value is None:
        value = ""
    if isinstance(value, bool):
        value = "true" if value else "false"
    return "<%s>%s</%s>" % (name, escape(str(value)), name)


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
        element("text", stored_text(status["text"])),
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
    return (XML_HEAD + '<users_list><users type="array">' +
            "".join(user_xml(store, u, with_status=True) for u in users) +
            "</users>" + element("next_cursor", next_cursor) + element("previous_cursor", previous_cursor) +
            "</users_list>")


def error_xml(request_path, message):
    return XML_HEAD + "<hash>" + element("request", request_path) + element("error", message) + "</hash>"


# The service's first replies (2007): indented, and fewer fields -------------------------------------
def legacy_status_xml(store, status):
    user = store.user(status["user_id"])
    fields = [("created_at", service_time(status["created_at"])), ("id", status["id"]),
              ("text", stored_text(status["text"]))]
    user_fields = [("id", user["id"]), ("name", user["name"]), ("screen_name", user["screen_name"]),
                   ("location", user["location"]), ("description", user["description"]),
                   ("profile_image_url", user["profile_image_url"]), ("url", user["url"]),
                   ("protected", bool(user["protected"]))]
    lines = ["  <status>"] + ["    " + element(n, v) for n, v in fields] + ["    <user>"]
    lines += ["      " + element(n, v) for n, v in user_fields] + ["    </user>", "  </status>"]
    return "\n".join(lines) + "\n"


def legacy_statuses_xml(store, statuses):
    return XML_HEAD + "<statuses>\n" + "".join(legacy_status_xml(store, s) for s in statuses) + "</statuses>\n"


# JSON ------------------------------------------------------------------------------------------------
def user_json(store, user, with_status=False):
    counts = store.counts(user["id"])
    value = {"id": user["id"], "name": user["name"], "screen_name": user["screen_name"],
             "location": user["location"], "description": user["description"],
             "profile_image_url": user["profile_image_url"], "url": user["url"] or None,
             "protected": bool(user["protected"]), "followers_count": counts["followers_count"],
             "friends_count": counts["friends_count"], "created_at": service_time(user["created_at"]),
             "favourites_count": 0, "utc_offset": None, "time_zone": None,
             "statuses_count": counts["statuses_count"]}
    if with_status:
        latest = store.latest_status(user["id"])
        if latest is not None:
            value["status"] = status_json(store, latest, with_user=False)
    return value


def status_json(store, status, with_user=True):
    reply_to = store.status(status["in_reply_to_status_id"]) if status["in_reply_to_status_id"] else None
    reply_user = store.user(reply_to["user_id"]) if reply_to else None
    value = {"created_at": service_time(status["created_at"]), "id": status["id"],
             "text": stored_text(status["text"]), "source": status["source"], "truncated": False,
             "favorited": False, "in_reply_to_status_id": reply_to["id"] if reply_to else None,
             "in_reply_to_user_id": reply_user["id"] if reply_user else None,
             "in_reply_to_screen_name": reply_user["screen_name"] if reply_user else None}
    if status["retweeted_status_id"]:
        original = store.status(status["retweeted_status_id"])
        if original is not None:
            value["retweeted_status"] = status_json(store, original)
    if with_user:
        value["user"] = user_json(store, store.user(status["user_id"]))
    return value


def to_json(value):
    return json.dumps(value, ensure_ascii=True, separators=(",", ":"))


# One entry per reply kind, in the format the request's path names ("xml" or "json") ----------------
def statuses(store, rows, fmt, legacy=False):
    if fmt == "json":
        return to_json([status_json(store, s) for s in rows])
    return legacy_statuses_xml(store, rows) if legacy else statuses_xml(store, rows)


def one_status(store, status, fmt):
    return to_json(status_json(store, status)) if fmt == "json" else one_status_xml(store, status)


def one_user(store, user, fmt):
    return to_json(user_json(store, user, with_status=True)) if fmt == "json" else one_user_xml(store, user)


def users(store, rows, fmt):
    if fmt == "json":
        return to_json([user_json(store, u, with_status=True) for u in rows])
    return users_xml(store, rows)


def users_list(store, rows, next_cursor, previous_cursor, fmt):
    if fmt == "json":
        return to_json({"users": [user_json(store, u, with_status=True) for u in rows],
                        "next_cursor": next_cursor, "previous_cursor": previous_cursor})
    return users_list_xml(store, rows, next_cursor, previous_cursor)


def error(request_path, message, fmt):
    if fmt == "json":
        return to_json({"request": request_path, "error": message})
    return error_xml(request_path, message)
