#!/usr/bin/python3
"""FTP servers for the download tests: one that resumes (REST), one that refuses REST; both log every command.

Usage: ftp_server.py PORT NOREST_PORT ROOT LOG PASSIVE_FIRST PASSIVE_LAST
Anonymous log-in and the user "corvane" with the password "s3cret" both read ROOT; passive mode only.
"""
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

port, norest_port, root, log = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3], sys.argv[4]
passive = range(int(sys.argv[5]), int(sys.argv[6]) + 1)


class LoggingHandler(FTPHandler):
    tag = "rest"

    def pre_process_command(self, line, cmd, arg):
        with open(log, "a", encoding="utf-8") as f:
            f.write("%s %s\n" % (self.tag, "PASS ****" if cmd == "PASS" else line))
        super().pre_process_command(line, cmd, arg)


class NoRestHandler(LoggingHandler):
    tag = "norest"

    def ftp_REST(self, line):
        self.respond("502 Command not implemented.")


authorizer = DummyAuthorizer()
authorizer.add_anonymous(root)
authorizer.add_user("corvane", "s3cret", root, perm="elr")
for handler in (LoggingHandler, NoRestHandler):
    handler.authorizer = authorizer
    handler.passive_ports = passive
    handler.permit_foreign_addresses = False
    handler.auth_failed_timeout = 0.1

server = FTPServer(("127.0.0.1", port), LoggingHandler)
norest = FTPServer(("127.0.0.1", norest_port), NoRestHandler, ioloop=server.ioloop)
server.serve_forever()
