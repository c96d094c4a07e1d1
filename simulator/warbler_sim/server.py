"""The HTTP front of the simulator: OAuth endpoints and the REST API v1 in XML and JSON."""

import html
import re
import sys
import traceback
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qsl, quote, urlsplit

from . import replies
from .oauth_check import Verifier

MAX_BODY = 1 << 20
DRAIN_LIMIT = 64 << 20  # a larger refused body is not read: the connection is closed instead
CLIENT_TIMEOUT = 10  # seconds a client may stay silent, in the handshake or in a request
CURSOR_BASE = 1300000000000000000
XML_TYPE = "application/xml; charset=utf-8"
CONTENT_TYPES = {"xml": XML_TYPE, "json": "application/json; charset=utf-8"}
NOT_AUTHENTICATED = "Could not authenticate with OAuth."
# Methods the service answered without a signature (protected users' data aside).
PUBLIC = {"statuses/public_timeline", "statuses/user_timeline", "statuses/show", "users/show",
          "statuses/friends", "statuses/followers"}
TIMELINES = {"statuses/public_timeline", "statuses/home_timeline", "statuses/friends_timeline",
             "statuses/mentions", "statuses/retweeted_by_me", "statuses/retweeted_to_me",
             "statuses/retweets_of_me", "statuses/user_timeline"}


class ApiError(Exception):
    def __init__(self, status, message):
        super().__init__(message)
        self.status = status
        self.message = message


def may_see(store, me, user):
    """A protected user's statuses and lists are for the user and their followers only."""
    return not user["protected"] or (me is not None and (me["id"] == user["id"] or
                                                          store.follows(me["id"], user["id"])))


def integer(params, name, default=None, low=None, high=None):
    text = params.get(name, "")
    if text == "":
        return default
    if not re.fullmatch(r"-?\d{1,19}", text) or not -2**63 <= int(text) < 2**63:
        raise ApiError(400, "Invalid %s parameter." % name)
    value = int(text)
    if low is not None:
        value = max(value, low)
    if high is not None:
        value = min(value, high)
    return value


def page_offset(page, size):
    """The rows before a page; a page past what the store can count is a bad request."""
    offset = (page - 1) * size
    if offset >= 2**63:
        raise ApiError(400, "Invalid page parameter.")
    return offset


class Api:
    """The REST methods over the store; each returns the XML text of its reply."""

    def __init__(self, store, page_size, legacy=False):
        self.store = store
        self.page_size = page_size
        self.legacy = legacy  # the public timeline in the service's 2007 form

    def user_by_id_text(self, text):
        user = self.store.user(user_id=int(text)) if text.isdigit() else None
        return user or self.store.user(screen_name=text)

    def target_user(self, params, path_id, me, required=False):
        if path_id:
            user = self.user_by_id_text(path_id)
        elif params.get("user_id"):
            user = self.store.user(user_id=integer(params, "user_id"))
        elif params.get("screen_name"):
            user = self.store.user(screen_name=params["screen_name"])
        elif params.get("id"):
            user = self.user_by_id_text(params["id"])
        elif me is not None and not required:
            user = me
        else:
            raise ApiError(400, "A user id or screen name is required.")
        if user is None:
            raise ApiError(404, "Not found")
        return user

    def timeline(self, method, params, path_id, me, fmt):
        count = integer(params, "count", 20, 1, 200)
        page = integer(params, "page", 1, 1)
        since_id = integer(params, "since_id")
        max_id = integer(params, "max_id")
        where, args = [], []
        if method == "statuses/public_timeline":
            where.append("user_id IN (SELECT id FROM users WHERE protected=0)")
        elif method in ("statuses/home_timeline", "statuses/friends_timeline"):
            where.append("(user_id=? OR user_id IN (SELECT followed_id FROM follows WHERE follower_id=?))")
            args += [me["id"], me["id"]]
        elif method == "statuses/mentions":
            where.append("user_id<>? AND lower(text) LIKE ?")
            args += [me["id"], "%@" + me["screen_name"].lower() + "%"]
        elif method == "statuses/retweeted_by_me":
            where.append("user_id=? AND retweeted_status_id IS NOT NULL")
            args.append(me["id"])
        elif method == "statuses/retweeted_to_me":
            where.append("retweeted_status_id IS NOT NULL AND user_id IN "
                         "(SELECT followed_id FROM follows WHERE follower_id=?)")
            args.append(me["id"])
        elif method == "statuses/retweets_of_me":
            where.append("user_id=? AND id IN (SELECT retweeted_status_id FROM statuses)")
            args.append(me["id"])
        else:
            user = self.target_user(params, path_id, me)
            if not may_see(self.store, me, user):
                raise ApiError(401, "Not authorized")
            where.append("user_id=?")
            args.append(user["id"])
        if since_id is not None:
            where.append("id>?")
            args.append(since_id)
        if max_id is not None:
            where.append("id<=?")
            args.append(max_id)
        rows = self.store.all("SELECT * FROM statuses WHERE %s ORDER BY id DESC LIMIT ? OFFSET ?"
                              % " AND ".join(where), *args, count, page_offset(page, count))
        legacy = self.legacy and method == "statuses/public_timeline"
        return replies.statuses(self.store, rows, fmt, legacy)

    def update(self, params, me, app_name, fmt):
        text = replies.xml_text(params.get("status", ""))
        if text == "":
            raise ApiError(400, "Client must provide a 'status' parameter with a value.")
        if len(text) > 140:
            raise ApiError(403, "Status is over 140 characters.")
        latest = self.store.latest_status(me["id"])
        if latest is not None and latest["text"] == text:
            raise ApiError(403, "Status is a duplicate.")
        reply_to = integer(params, "in_reply_to_status_id")
        if reply_to is not None and self.store.status(reply_to) is None:
            reply_to = None
        source = '<a href="http://127.0.0.1/" rel="nofollow">%s</a>' % html.escape(app_name)
        status_id = self.store.add_status(me["id"], text, source, in_reply_to=reply_to)
        return replies.one_status(self.store, self.store.status(status_id), fmt)

    def friendship(self, create, params, path_id, me, fmt):
        user = self.target_user(params, path_id, me, required=True)
        if create:
            if user["id"] == me["id"]:
                raise ApiError(403, "You can't follow yourself.")
            if self.store.follows(me["id"], user["id"]):
                raise ApiError(403, "Could not follow user: %s is already on your list." % user["screen_name"])
            self.store.follow(me["id"], user["id"])
        else:
            if not self.store.follows(me["id"], user["id"]):
                raise ApiError(403, "You are not friends with the specified user.")
            self.store.unfollow(me["id"], user["id"])
        return replies.one_user(self.store, user, fmt)

    def people(self, followers, params, path_id, me, fmt):
        user = self.target_user(params, path_id, me)
        if not may_see(self.store, me, user):
            raise ApiError(401, "Not authorized")
        ids = self.store.follower_ids(user["id"]) if followers else self.store.friend_ids(user["id"])
        cursor = integer(params, "cursor", -1)
        if cursor == -1:
            offset = 0
        elif cursor >= CURSOR_BASE:
            offset = cursor - CURSOR_BASE
        elif cursor <= -CURSOR_BASE:
            offset = -cursor - CURSOR_BASE
        else:
            offset = len(ids)  # a cursor the service never gave: nothing more
        page = ids[offset:offset + self.page_size]
        next_cursor = CURSOR_BASE + offset + self.page_size if offset + self.page_size < len(ids) else 0
        previous_cursor = -(CURSOR_BASE + max(offset - self.page_size, 0)) if offset > 0 else 0
        users = [self.store.user(user_id=i) for i in page]
        return replies.users_list(self.store, users, next_cursor, previous_cursor, fmt)

    def search(self, params, fmt):
        query = params.get("q", "").strip().lower()
        if not query:
            raise ApiError(400, "You must enter a query.")
        per_page = integer(params, "per_page", 20, 1, 20)
        page = integer(params, "page", 1, 1)
        pattern = "%" + query + "%"
        rows = self.store.all("SELECT * FROM users WHERE lower(screen_name) LIKE ? OR lower(name) LIKE ? "
                              "OR lower(description) LIKE ? ORDER BY id LIMIT ? OFFSET ?",
                              pattern, pattern, pattern, per_page, page_offset(page, per_page))
        return replies.users(self.store, rows, fmt)

    def dispatch(self, http_method, path, params, me, app_name, fmt):
        """The reply of one REST method; path is the method path without "/1/" and the format."""
        parts = path.split("/")
        method = "/".join(parts[:2])
        path_id = parts[2] if len(parts) == 3 else None
        if len(parts) > 3 or len(parts) < 2:
            raise ApiError(404, "Not found")
        if me is None and method not in PUBLIC:
            raise ApiError(401, NOT_AUTHENTICATED)
        if method in TIMELINES:
            if path_id and method != "statuses/user_timeline":
                raise ApiError(404, "Not found")
            return self.timeline(method, params, path_id, me, fmt)
        if method == "statuses/update" and path_id is None:
            if http_method != "POST":
                raise ApiError(400, "This method requires a POST.")
            return self.update(params, me, app_name, fmt)
        if method == "statuses/show" and path_id:
            status = self.store.status(integer({"id": path_id}, "id"))
            if status is None:
                raise ApiError(404, "No status found with that ID.")
            return replies.one_status(self.store, status, fmt)
        if method in ("friendships/create", "friendships/destroy"):
            return self.friendship(method.endswith("create"), params, path_id, me, fmt)
        if method in ("statuses/friends", "statuses/followers"):
            return self.people(method.endswith("followers"), params, path_id, me, fmt)
        if method == "users/search" and path_id is None:
            return self.search(params, fmt)
        if method == "users/show":
            return replies.one_user(self.store, self.target_user(params, path_id, me, required=True), fmt)
        if method == "account/verify_credentials" and path_id is None:
            return replies.one_user(self.store, me, fmt)
        raise ApiError(404, "Not found")


# Doubled braces: the pages are format strings.
PAGE_STYLE = """<style>
body {{ font-family: sans-serif; background: #eef3f7; margin: 0; }}
main {{ max-width: 30em; margin: 4em auto; background: #fff; padding: 2em 2.5em; border-radius: 8px;
       box-shadow: 0 2px 8px rgba(0,0,0,.15); }}
h1 {{ font-size: 1.4em; margin-top: 0; }}
label {{ display: block; margin: 1.2em 0; }}
input[name=screen_name] {{ font-size: 1em; padding: .3em; }}
button {{ font-size: 1.1em; padding: .5em 1.5em; background: #1d8fd8; color: #fff; border: 0;
         border-radius: 4px; cursor: pointer; }}
#oauth_pin {{ display: block; font-size: 2em; letter-spacing: .1em; margin: .8em 0; }}
.note {{ color: #555; font-size: .9em; }}
</style>"""

AUTHORIZE_PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Authorize {app}</title>""" + PAGE_STYLE + """</head>
<body><main>
<h1>Authorize {app} to use your account?</h1>
<p>This application will be able to read your timelines, see whom you follow and post statuses
for you. It will not see your password.</p>
<form method="post" action="/oauth/authorize">
<input type="hidden" name="oauth_token" value="{token}">
<label>Sign in as <input name="screen_name" value="{screen_name}"></label>
<button type="submit" name="approve" value="1">Approve</button>
</form>
<p class="note">Warbler service simulator: a local stand-in for the service.</p>
</main></body></html>
"""

VERIFIER_PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Authorized</title>""" + PAGE_STYLE + """</head>
<body><main>
<h1>You have authorized {app}.</h1>
<p>Go back to the application and enter this PIN to finish:</p>
<code id="oauth_pin">{verifier}</code>
<p class="note">The PIN works once.</p>
</main></body></html>
"""

ERROR_PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Authorization failed</title>""" + PAGE_STYLE + """</head>
<body><main><h1>Authorization failed</h1><p>{message}</p></main></body></html>
"""

REST_PATH = re.compile(r"^/1/(.+)\.(xml|json)$")


def reply_format(path):
    match = REST_PATH.match(path)
    return match.group(2) if match else "xml"


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "WarblerSim/1.0"
    timeout = CLIENT_TIMEOUT  # a client that stops sending is dropped

    def log_message(self, fmt, *args):
        sys.stderr.write("%s %s\n" % (self.address_string(), fmt % args))
        sys.stderr.flush()

    def do_GET(self):
        self.handle_request("GET")

    def do_POST(self):
        self.handle_request("POST")

    def reply(self, status, body, content_type=XML_TYPE, headers=()):
        data = body.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(data)

    def reply_error(self, path, status, message):
        fmt = reply_format(path)
        self.reply(status, replies.error(path, message, fmt), CONTENT_TYPES[fmt])

    def drain(self, length):
        """Reads a refused body, so that the client gets the reply instead of a reset."""
        while length > 0:
            chunk = self.rfile.read(min(length, 1 << 16))
            if not chunk:
                break
            length -= len(chunk)

    def handle_request(self, method):
        split = urlsplit(self.path)
        try:
            length = int(self.headers.get("Content-Length") or 0)
        except ValueError:
            length = -1
        if length < 0 or length > MAX_BODY:
            if 0 < length <= DRAIN_LIMIT:
                self.drain(length)
            else:
                self.close_connection = True
            self.reply_error(split.path, 413, "Request body too large.")
            return
        raw = self.rfile.read(length) if length else b""
        body = raw.decode("utf-8", errors="replace")
        form = "application/x-www-form-urlencoded" in (self.headers.get("Content-Type") or "")
        params = dict(parse_qsl(split.query, keep_blank_values=True, errors="replace"))
        if form:
            params.update(parse_qsl(body, keep_blank_values=True, errors="replace"))
        scheme = "https" if self.server.tls else "http"
        uri = "%s://%s%s" % (scheme, self.headers.get("Host") or "127.0.0.1", self.path)
        headers = {k: v for k, v in self.headers.items()}
        if not form:
            body = ""
        with self.server.store.lock:
            try:
                self.route(method, split.path, params, uri, body, headers)
            except ApiError as error:
                self.reply_error(split.path, error.status, error.message)
            except Exception:  # never let a request take the server down
                traceback.print_exc(file=sys.stderr)
                self.reply_error(split.path, 500, "Internal error.")

    def route(self, method, path, params, uri, body, headers):
        verifier = self.server.verifier
        if path == "/oauth/request_token":
            status, text = verifier.issue_request_token(uri, method, body, headers)
            if status != 200:
                status, text = 401, "Failed to validate oauth signature and token"
            self.reply(status, text, "text/plain; charset=utf-8")
        elif path == "/oauth/access_token":
            status, text = verifier.issue_access_token(uri, method, body, headers)
            if status != 200:
                status, text = 401, "Invalid / expired Token"
            self.reply(status, text, "text/plain; charset=utf-8")
        elif path == "/oauth/authorize":
            self.authorize(params)
        elif rest := REST_PATH.match(path):
            api_path, fmt = rest.groups()
            me, app_name = None, ""
            if "authorization" in {k.lower() for k in headers}:
                valid, request = verifier.protected(uri, method, body, headers)
                if not valid:
                    raise ApiError(401, NOT_AUTHENTICATED)
                token = self.server.store.access_token(request.resource_owner_key)
                me = self.server.store.user(user_id=token["user_id"])
                app_name = self.server.store.app(request.client_key)["name"]
            self.reply(200, self.server.api.dispatch(method, api_path, params, me, app_name, fmt),
                       CONTENT_TYPES[fmt])
        else:
            raise ApiError(404, "Not found")

    def authorize_error(self, status, message):
        """A person reads this page: HTML, not the API's error document."""
        self.reply(status, ERROR_PAGE.format(message=html.escape(message)), "text/html; charset=utf-8")

    def authorize(self, params):
        store = self.server.store
        token = store.request_token(params.get("oauth_token", ""))
        if token is None:
            self.authorize_error(400, "This authorization request is unknown or has expired.")
            return
        app = store.app(token["consumer_key"])
        if params.get("approve") != "1":
            page = AUTHORIZE_PAGE.format(app=html.escape(app["name"]), token=html.escape(token["token"]),
                                         screen_name=html.escape(self.server.default_user))
            self.reply(200, page, "text/html; charset=utf-8")
            return
        if token["verifier"] is not None:
            self.authorize_error(403, "This authorization request has already been approved.")
            return
        user = store.user(screen_name=params.get("screen_name") or self.server.default_user)
        if user is None:
            self.authorize_error(404, "There is no such account.")
            return
        verifier_text = store.approve(token["token"], user["id"])
        answer = "oauth_token=%s&oauth_verifier=%s" % (quote(token["token"]), quote(verifier_text))
        if params.get("format") == "text":
            self.reply(200, answer, "text/plain; charset=utf-8")
        elif token["callback"] in ("", "oob"):
            self.reply(200, VERIFIER_PAGE.format(app=html.escape(app["name"]), verifier=verifier_text),
                       "text/html; charset=utf-8")
        else:
            joiner = "&" if "?" in token["callback"] else "?"
            self.reply(302, "", "text/plain", [("Location", token["callback"] + joiner + answer)])


class Server(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, store, page_size, default_user, tls_context=None, legacy=False):
        super().__init__(address, Handler)
        self.store = store
        self.api = Api(store, page_size, legacy)
        self.verifier = Verifier(store)
        self.default_user = default_user
        self.tls_context = tls_context
        self.tls = tls_context is not None

    def finish_request(self, request, client_address):
        # The TLS handshake runs in the connection's own thread, with the client's time-out, so
        # that a client that never completes it holds up no one else.
        if self.tls_context is None:
            super().finish_request(request, client_address)
            return
        request.settimeout(CLIENT_TIMEOUT)
        try:
            wrapped = self.tls_context.wrap_socket(request, server_side=True)
        except (OSError, ValueError):
            return
        try:
            super().finish_request(wrapped, client_address)
        finally:
            wrapped.close()
