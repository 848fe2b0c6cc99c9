# Loopback ports of the download test servers (the range 18500-18599 is theirs) and the limited link's rate.
CORVANE_DL_NGINX_PORT=18510
CORVANE_DL_FAULT_PORT=18520
CORVANE_DL_FTP_PORT=18530
CORVANE_DL_FTP_NOREST_PORT=18531
# nginx over TLS with the test certificates for "localhost": valid, expired, from an untrusted root; and one
# valid for another name only.
CORVANE_DL_TLS_PORT=18540
CORVANE_DL_TLS_EXPIRED_PORT=18541
CORVANE_DL_TLS_UNTRUSTED_PORT=18542
CORVANE_DL_TLS_OTHER_NAME_PORT=18543
CORVANE_DL_PASSIVE_FIRST=18560
CORVANE_DL_PASSIVE_LAST=18599
CORVANE_DL_LIMIT_RATE=10000000
