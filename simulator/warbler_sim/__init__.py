"""A local stand-in for the Twitter REST API v1 (XML) with an OAuth 1.0a provider."""
