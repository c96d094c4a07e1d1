' Posts a status with the keys that Authorize.vbs saved.
'   cscript //nologo Post.vbs KEYFILE "the message" [REPLY_TO_USER REPLY_TO_STATUS_ID]
Option Explicit
If WScript.Arguments.Count < 2 Then
    WScript.Echo "usage: cscript Post.vbs KEYFILE MESSAGE [REPLY_TO_USER REPLY_TO_STATUS_ID]"
    WScript.Quit 2
End If
Dim twitter, id
Set twitter = CreateObject("Velmora.Twitter")
twitter.LoadConsumerKey WScript.Arguments(0)
twitter.LoadAccessKey WScript.Arguments(0)
If twitter.LastError <> 0 Then
    WScript.Echo "No keys: " & twitter.GetErrorDescription(twitter.LastError)
    WScript.Quit 1
End If
If WScript.Arguments.Count >= 4 Then
    id = twitter.DirectTweet(WScript.Arguments(1), WScript.Arguments(2), WScript.Arguments(3))
Else
    id = twitter.Tweet(WScript.Arguments(1))
End If
If twitter.LastError <> 0 Then
    WScript.Echo "Not posted: " & twitter.LastError & " " & twitter.GetErrorDescription(twitter.LastError)
    WScript.Quit 1
End If
WScript.Echo "Posted status " & id
