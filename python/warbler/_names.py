"""The plain names of the interface's parameters, which Python callers may use as keywords; read by
the package at run time and by the stub's generator at build time."""

import re

# Shorter plain names beside the derived ones.
_EXTRA_NAMES = {"bstrReplyTweetId": ("reply_id",), "bstrCallBack": ("callback",)}


def plain_names(name):
    """An argument's plain names: its interface name less the type prefix (bstr, l, b, pv...), in
    snake_case, then any shorter one."""
    plain = re.sub(r"^[a-z]+(?=[A-Z])", "", name)
    snake = re.sub(r"(?<=[a-z0-9])(?=[A-Z])", "_", plain).lower()
    return (snake,) + _EXTRA_NAMES.get(name, ())
