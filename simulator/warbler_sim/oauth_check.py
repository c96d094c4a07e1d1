"""OAuth 1.0a verification by python3-oauthlib, independent of the component's own signer.

Like the historical service, only the "oauth_" entries (and realm) of the Authorization header
are read: the component's header also carries the request parameters, which travel in the query
or body as well and would otherwise be counted twice.
"""

import re
import string

from oauthlib.oauth1 import (AccessTokenEndpoint, RequestTokenEndpoint, RequestValidator, ResourceEndpoint,
                             SignatureOnlyEndpoint)
from oauthlib.oauth1.rfc5849 import errors
from urllib.parse import unquote

from .store import random_text

HEADER_ENTRY = re.compile(r'\s*([^=\s,]+)\s*=\s*"([^"]*)"\s*(?:,|$)')


def oauth_header_only(headers):
    """The request headers with the Authorization header reduced to its oauth_ entries."""
    result = dict(headers)
    for name in list(result):
        if name.lower() != "authorization":
            continue
        value = result[name]
        if not value.lower().startswith("oauth "):
            continue
        entries = HEADER_ENTRY.findall(value[6:])
        kept = ['%s="%s"' % (k, v) for k, v in entries if k.startswith("oauth_") or k == "realm"]
        result[name] = "OAuth " + ", ".join(kept)
    return result


class Validator(RequestValidator):
    """Accepts what the component sends: plain http, 12-character nonces, tokens of the form
    <user id>-<random>, and the realm "Twitter API"."""

    def __init__(self, store, without_request_secret=False):
        super().__init__()
        self.store = store
        self.without_request_secret = without_request_secret

    enforce_ssl = False
    # The service signed with HMAC-SHA1 only.
    allowed_signature_methods = ("HMAC-SHA1",)
    safe_characters = set(string.ascii_letters + string.digits + "-_")
    client_key_length = (1, 100)
    request_token_length = (1, 100)
    access_token_length = (1, 100)
    nonce_length = (8, 64)
    verifier_length = (1, 100)
    realms = ["Twitter", "API"]
    dummy_client = "dummyclientdummyclient"
    dummy_request_token = "dummyrequesttoken"
    dummy_access_token = "0-dummyaccesstoken"

    def check_realms(self, realms):
        return True

    def get_default_realms(self, client_key, request):
        return []

    def get_realms(self, token, request):
        return []

    def validate_client_key(self, client_key, request):
        return self.store.app(client_key) is not None

    def get_client_secret(self, client_key, request):
        app = self.store.app(client_key)
        return app["consumer_secret"] if app else "dummy-secret"

    def validate_timestamp_and_nonce(self, client_key, timestamp, nonce, request, request_token=None,
                                     access_token=None):
        if self.without_request_secret:
            return True  # the second look at a request whose nonce the first one recorded
        return self.store.use_nonce(client_key, timestamp, nonce, request_token or access_token)

    def validate_requested_realms(self, client_key, realms, request):
        return True

    def validate_realms(self, client_key, token, request, uri=None, realms=None):
        return True

    def validate_redirect_uri(self, client_key, redirect_uri, request):
        # The callback comes back in a Location line: a control character in it would end that
        # line and start another header.
        return not any(ord(ch) < 0x20 or ord(ch) == 0x7F for ch in redirect_uri or "")

    def save_request_token(self, token, request):
        self.store.save_request_token(token["oauth_token"], token["oauth_token_secret"],
                                      request.client_key, request.redirect_uri)

    def validate_request_token(self, client_key, token, request):
        row = self.store.request_token(token)
        return row is not None and row["consumer_key"] == client_key

    def get_request_token_secret(self, client_key, token, request):
        row = self.store.request_token(token)
        if self.without_request_secret and row is not None:
            return ""
        return row["secret"] if row else "dummy-secret"

    def validate_verifier(self, client_key, token, verifier, request):
        row = self.store.request_token(token)
        return row is not None and row["verifier"] is not None and row["verifier"] == verifier

    def verify_request_token(self, token, request):
        return self.store.request_token(token) is not None

    def get_redirect_uri(self, token, request):
        row = self.store.request_token(token)
        return row["callback"] if row else "oob"

    def invalidate_request_token(self, client_key, request_token, request):
        self.store.run("DELETE FROM request_tokens WHERE token=?", request_token)

    def save_access_token(self, token, request):
        self.store.add_access_token(token["oauth_token"], token["oauth_token_secret"],
                                    request.client_key, int(token["user_id"]))

    def validate_access_token(self, client_key, token, request):
        row = self.store.access_token(token)
        return row is not None and row["consumer_key"] == client_key

    def get_access_token_secret(self, client_key, token, request):
        row = self.store.access_token(token)
        return row["secret"] if row else "dummy-secret"


class Verifier:
    """Runs oauthlib's endpoints over the store."""

    def __init__(self, store):
        self.store = store
        validator = Validator(store)
        self.resource = ResourceEndpoint(validator)
        self.signature = SignatureOnlyEndpoint(validator)
        self.request_token = RequestTokenEndpoint(validator, token_generator=lambda: random_text(32))
        self.access_token = AccessTokenEndpoint(validator, token_generator=lambda: random_text(40))
        # The service also took an access-token request signed without the request token's
        # secret, as the component sends it (it empties that secret before the exchange).
        self.access_token_without_secret = AccessTokenEndpoint(Validator(store, without_request_secret=True),
                                                               token_generator=lambda: random_text(40))

    def protected(self, uri, method, body, headers):
        """(valid, oauthlib request) for a signed API request; invalid on any protocol error."""
        try:
            return self.resource.validate_protected_resource_request(uri, method, body,
                                                                     oauth_header_only(headers))
        except (errors.OAuth1Error, ValueError):
            return False, None

    def signed(self, uri, method, body, headers):
        """(valid, oauthlib request) for any signed request, with or without a token."""
        try:
            return self.signature.validate_request(uri, method, body, oauth_header_only(headers))
        except (errors.OAuth1Error, ValueError):
            return False, None

    def issue_request_token(self, uri, method, body, headers):
        """(status, reply text) of a request-token request."""
        _, reply, status = self.request_token.create_request_token_response(
            uri, method, body, oauth_header_only(headers))
        return status, reply

    def issue_access_token(self, uri, method, body, headers):
        """(status, reply text) of an access-token request; the token names its user."""
        filtered = oauth_header_only(headers)
        entries = dict(HEADER_ENTRY.findall(filtered.get("Authorization", "")[6:]))
        row = self.store.request_token(unquote(entries.get("oauth_token", "")))
        credentials = {}
        if row is not None and row["user_id"] is not None:
            user = self.store.user(row["user_id"])
            credentials = {"oauth_token": "%d-%s" % (user["id"], random_text(32)),
                           "user_id": str(user["id"]), "screen_name": user["screen_name"]}
            # The same user and application get the same pair each time, as from the service.
            issued = self.store.access_token_for(row["consumer_key"], user["id"])
            if issued is not None:
                credentials.update(oauth_token=issued["token"], oauth_token_secret=issued["secret"])
        _, reply, status = self.access_token.create_access_token_response(
            uri, method, body, filtered, credentials)
        if status != 200:
            _, reply, status = self.access_token_without_secret.create_access_token_response(
                uri, method, body, filtered, credentials)
        return status, reply
