"""The simulator's state in sqlite: applications, users, statuses, follows and tokens."""

import secrets
import sqlite3
import string
import threading
import time

SCHEMA = """
CREATE TABLE apps (consumer_key TEXT PRIMARY KEY, consumer_secret TEXT NOT NULL, name TEXT NOT NULL);
CREATE TABLE users (
    id INTEGER PRIMARY KEY, screen_name TEXT UNIQUE NOT NULL COLLATE NOCASE, name TEXT NOT NULL,
    location TEXT NOT NULL DEFAULT '', description TEXT NOT NULL DEFAULT '',
    profile_image_url TEXT NOT NULL DEFAULT '', url TEXT NOT NULL DEFAULT '',
    protected INTEGER NOT NULL DEFAULT 0, created_at INTEGER NOT NULL);
CREATE TABLE statuses (
    id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL REFERENCES users(id), text TEXT NOT NULL,
    source TEXT NOT NULL, created_at INTEGER NOT NULL, in_reply_to_status_id INTEGER,
    retweeted_status_id INTEGER);
CREATE TABLE follows (follower_id INTEGER NOT NULL, followed_id INTEGER NOT NULL,
    created INTEGER NOT NULL, PRIMARY KEY (follower_id, followed_id));
CREATE TABLE request_tokens (token TEXT PRIMARY KEY, secret TEXT NOT NULL, consumer_key TEXT NOT NULL,
    callback TEXT NOT NULL, verifier TEXT, user_id INTEGER);
CREATE TABLE access_tokens (token TEXT PRIMARY KEY, secret TEXT NOT NULL, consumer_key TEXT NOT NULL,
    user_id INTEGER NOT NULL);
CREATE TABLE nonces (consumer_key TEXT, timestamp TEXT, nonce TEXT, token TEXT,
    PRIMARY KEY (consumer_key, timestamp, nonce, token));
"""

ALPHANUMERIC = string.ascii_letters + string.digits
NONCE_LIFETIME = 600  # oauthlib's window for timestamps, in seconds


# A PIN is typed by a person: no characters that look alike (0 O o, 1 l I).
READABLE = "23456789ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnpqrstuvwxyz"


def random_text(length, alphabet=ALPHANUMERIC):
    return "".join(secrets.choice(alphabet) for _ in range(length))


class Store:
    """One sqlite connection shared by the server's threads; every use holds the lock."""

    def __init__(self, path=":memory:"):
        self.lock = threading.RLock()
        self.db = sqlite3.connect(path, check_same_thread=False)
        self.db.row_factory = sqlite3.Row
        if not self.db.execute("SELECT name FROM sqlite_master WHERE name='apps'").fetchone():
            self.db.executescript(SCHEMA)

    def one(self, sql, *args):
        return self.db.execute(sql, args).fetchone()

    def all(self, sql, *args):
        return self.db.execute(sql, args).fetchall()

    def run(self, sql, *args):
        cursor = self.db.execute(sql, args)
        self.db.commit()
        return cursor

    # Applications and tokens -------------------------------------------------------------
    def app(self, consumer_key):
        return self.one("SELECT * FROM apps WHERE consumer_key=?", consumer_key)

    def add_app(self, key, secret, name):
        self.run("INSERT OR REPLACE INTO apps VALUES (?,?,?)", key, secret, name)

    def save_request_token(self, token, secret, consumer_key, callback):
        self.run("INSERT INTO request_tokens (token, secret, consumer_key, callback) VALUES (?,?,?,?)",
                 token, secret, consumer_key, callback)

    def request_token(self, token):
        return self.one("SELECT * FROM request_tokens WHERE token=?", token)

    def approve(self, token, user_id):
        verifier = random_text(20, READABLE)
        self.run("UPDATE request_tokens SET verifier=?, user_id=? WHERE token=?", verifier, user_id, token)
        return verifier

    def access_token(self, token):
        return self.one("SELECT * FROM access_tokens WHERE token=?", token)

    def access_token_for(self, consumer_key, user_id):
        return self.one("SELECT * FROM access_tokens WHERE consumer_key=? AND user_id=? ORDER BY rowid LIMIT 1",
                        consumer_key, user_id)

    def add_access_token(self, token, secret, consumer_key, user_id):
        self.run("INSERT OR REPLACE INTO access_tokens VALUES (?,?,?,?)", token, secret, consumer_key, user_id)

    def use_nonce(self, consumer_key, timestamp, nonce, token):
        """False when the same nonce came with the same timestamp and credentials before. Nonces
        older than the timestamps the verifier accepts are forgotten."""
        self.run("DELETE FROM nonces WHERE CAST(timestamp AS INTEGER) < ?", int(time.time()) - NONCE_LIFETIME)
        try:
            self.run("INSERT INTO nonces VALUES (?,?,?,?)", consumer_key, timestamp, nonce, token or "")
            return True
        except sqlite3.IntegrityError:
            return False

    # Users, statuses and follows ---------------------------------------------------------
    def user(self, user_id=None, screen_name=None):
        if user_id is not None:
            return self.one("SELECT * FROM users WHERE id=?", user_id)
        return self.one("SELECT * FROM users WHERE screen_name=?", screen_name)

    def add_user(self, user_id, screen_name, name, created_at, **fields):
        columns = ["id", "screen_name", "name", "created_at"] + list(fields)
        values = [user_id, screen_name, name, created_at] + list(fields.values())
        self.run("INSERT INTO users (%s) VALUES (%s)" % (",".join(columns), ",".join("?" * len(values))),
                 *values)

    def counts(self, user_id):
        return {
            "followers_count": self.one("SELECT COUNT(*) FROM follows WHERE followed_id=?", user_id)[0],
            "friends_count": self.one("SELECT COUNT(*) FROM follows WHERE follower_id=?", user_id)[0],
            "statuses_count": self.one("SELECT COUNT(*) FROM statuses WHERE user_id=?", user_id)[0],
        }

    def status(self, status_id):
        return self.one("SELECT * FROM statuses WHERE id=?", status_id)

    def latest_status(self, user_id):
        return self.one("SELECT * FROM statuses WHERE user_id=? ORDER BY id DESC LIMIT 1", user_id)

    def add_status(self, user_id, text, source="web", created_at=None, in_reply_to=None, retweet_of=None,
                   status_id=None):
        if status_id is None:
            last = self.one("SELECT MAX(id) FROM statuses")[0]
            status_id = (last or 14785507973) + 1
        self.run("INSERT INTO statuses VALUES (?,?,?,?,?,?,?)", status_id, user_id, text, source,
                 int(created_at if created_at is not None else time.time()), in_reply_to, retweet_of)
        return status_id

    def follow(self, follower_id, followed_id):
        self.run("INSERT INTO follows VALUES (?,?,?)", follower_id, followed_id, int(time.time() * 1000))

    def unfollow(self, follower_id, followed_id):
        self.run("DELETE FROM follows WHERE follower_id=? AND followed_id=?", follower_id, followed_id)

    def follows(self, follower_id, followed_id):
        return self.one("SELECT 1 FROM follows WHERE follower_id=? AND followed_id=?",
                        follower_id, followed_id) is not None

    def friend_ids(self, user_id):
        return [r[0] for r in self.all("SELECT followed_id FROM follows WHERE follower_id=? "
                                       "ORDER BY created DESC, followed_id", user_id)]

    def follower_ids(self, user_id):
        return [r[0] for r in self.all("SELECT follower_id FROM follows WHERE followed_id=? "
                                       "ORDER BY created DESC, follower_id", user_id)]
