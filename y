[23:10:28] -- FindFirstUser q=[-505290271], per_page=[-505290271], page[-505290271]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Could not get status list
[23:10:28] FindFirstUser result: [35014: Unexpected error]
[23:10:28] -- FindFirstUser q=[-505290271], per_page=[-505290271], page[-505290271]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Could not get status list
[23:10:28] FindFirstUser result: [35014: Unexpected error]
[23:10:28] -- Tweet status=[], to=[], in_reply_to_status_id=[]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Tweet result: [35014: Unexpected error]
[23:10:28] -- Tweet status=[], to=[], in_reply_to_status_id=[]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Tweet result: [35014: Unexpected error]
[23:10:28] -- Tweet status=[], to=[], in_reply_to_status_id=[]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Tweet result: [35014: Unexpected error]
[23:10:28] -- Tweet status=[], to=[], in_reply_to_status_id=[]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Tweet result: [35014: Unexpected error]
[23:10:28] -- Tweet status=[ÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿ], to=[], in_reply_to_status_id=[]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Tweet result: [35014: Unexpected error]
[23:10:28] -- FindFirstFriend user=[]
[23:10:28] Could not get friends list
[23:10:28] FindFirstFriend result: [35010: This method requires either a valid name or a valid user id]
[23:10:28] -- FindFirstFriend user=[]
[23:10:28] Could not get friends list
[23:10:28] FindFirstFriend result: [35010: This method requires either a valid name or a valid user id]
[23:10:28] -- FindFirstFriend user=[]
[23:10:28] Could not get friends list
[23:10:28] FindFirstFriend result: [35010: This method requires either a valid name or a valid user id]
[23:10:28] -- FindFirstFriend user=[]
[23:10:28] Could not get friends list
[23:10:28] FindFirstFriend result: [35010: This method requires either a valid name or a valid user id]
[23:10:28] -- FindFirstFriend user=[]
[23:10:28] Could not get friends list
[23:10:28] FindFirstFriend result: [35010: This method requires either a valid name or a valid user id]
[23:10:28] -- FindFirstTweet since_id=[0], max_id[False], count[0], page[0]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Could not get Tweet list
[23:10:28] FindFirstTweet result: [35014: Unexpected error]
[23:10:28] -- FindFirstTweet since_id=[0], max_id[False], count[0], page[0]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Could not get Tweet list
[23:10:28] FindFirstTweet result: [35014: Unexpected error]
[23:10:28] -- FindFirstTweet since_id=[0], max_id[False], count[0], page[0]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Could not get Tweet list
[23:10:28] FindFirstTweet result: [35014: Unexpected error]
[23:10:28] -- FindFirstTweet since_id=[0], max_id[0], count[0], page[0]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Could not get Tweet list
[23:10:28] FindFirstTweet result: [35014: Unexpected error]
[23:10:28] -- FindFirstTweet since_id=[0], max_id[], count[0], page[0]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Could not get Tweet list
[23:10:28] FindFirstTweet result: [35014: Unexpected error]
[23:10:28] -- FindFirstTweet since_id=[10], max_id[1778384896], count[1090520576], page[0]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Could not get Tweet list
[23:10:28] FindFirstTweet result: [35014: Unexpected error]
[23:10:28] -- APICall Url=[https://127.0.0.1:9/1/70644700020736.70644700020736], Format[70644700020736], UsePost[True]
[23:10:28] No AccessToken was supplied, calling this method without signing it.
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] APICall result: [35014: Unexpected error]
[23:10:28] -- APICall Url=[https://127.0.0.1:9/1/70644700020736.70644700020736], Format[70644700020736], UsePost[True]
[23:10:28] No AccessToken was supplied, calling this method without signing it.
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] APICall result: [35014: Unexpected error]
[23:10:28] -- APICall Url=[https://127.0.0.1:9/1/10496.-2142634756], Format[-2142634756], UsePost[False]
[23:10:28] No AccessToken was supplied, calling this method without signing it.
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] APICall result: [35014: Unexpected error]
[23:10:28] -- FindFirstFollower user=[852063]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Could not get friends list
[23:10:28] FindFirstFollower result: [35014: Unexpected error]
[23:10:28] -- FindFirstFollower user=[852112]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Could not get friends list
[23:10:28] FindFirstFollower result: [35014: Unexpected error]
[23:10:28] -- RequestAuthorization Callback=[oob]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] RequestAuthorization result: [35014: Unexpected error], Url=[]
[23:10:28] -- RequestAuthorization Callback=[oob]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] RequestAuthorization result: [35014: Unexpected error], Url=[]
[23:10:28] -- FindFirstTweet since_id=[], max_id[], count[0], page[0]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Could not get Tweet list
[23:10:28] FindFirstTweet result: [35014: Unexpected error]
[23:10:28] -- FindFirstUser q=[False], per_page=[0], page[0]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Could not get status list
[23:10:28] FindFirstUser result: [35014: Unexpected error]
[23:10:28] -- FindFirstUser q=[False], per_page=[0], page[0]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Could not get status list
[23:10:28] FindFirstUser result: [35014: Unexpected error]
[23:10:28] -- FindFirstUser q=[False], per_page=[0], page[0]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Could not get status list
[23:10:28] FindFirstUser result: [35014: Unexpected error]
[23:10:28] -- FindFirstUser q=[290935984357376], per_page=[0], page[0]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Could not get status list
[23:10:28] FindFirstUser result: [35014: Unexpected error]
[23:10:28] -- FindFirstUser q=[2478339784704], per_page=[0], page[0]
[23:10:28] Initializing HttpEx
[23:10:28] LoadLibrary [/nonexistent/transport.so], result: [0x00000000]
[23:10:28] Could not get status list
[23:10:28] FindFirstUser result: [35014: Unexpected error]
