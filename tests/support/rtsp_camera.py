#!/usr/bin/python3
"""A network camera for tests: GStreamer's RTSP server on 127.0.0.1.

Serves moving colour bars as H.264 or H.265 at one mount point, with digest
authentication when a user is given. Run with /usr/bin/python3 (the system
Python, which has the GStreamer bindings).

Prints "port N" once it listens, then "client" for every connection (one
per login attempt or play).
Reads commands from standard input, one per line:
  "rate FPS"           from now on at most FPS frames per second (0: all)
  "size W H"           from now on pictures of W x H (a new key frame says so)
Ends on end of input or SIGTERM. Freeze it with SIGSTOP to stall its
connections; kill it to drop them. With --silent it answers every request
and plays, but no video packet leaves it; with --udp-only it refuses RTSP
over TCP (interleaved), as some cameras do.
"""

import argparse
import signal
import sys
import threading

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtsp", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtsp, GstRtspServer  # noqa: E402

ENCODERS = {
    "h264": "x264enc name=encoder tune=zerolatency speed-preset=ultrafast key-int-max={gop} bframes=0"
            " ! h264parse ! rtph264pay name=pay0 pt=96 config-interval=-1",
    "h265": "x265enc name=encoder tune=zerolatency speed-preset=ultrafast key-int-max={gop}"
            " ! h265parse ! rtph265pay name=pay0 pt=96 config-interval=-1",
}


def say(text):
    print(text, flush=True)


def parse_rate(text):
    """'25' or '12.5' as a GStreamer fraction string."""
    num, _, frac = text.partition(".")
    den = 10 ** len(frac)
    return "%d/%d" % (int(num) * den + int(frac or 0), den)


class Camera:
    def __init__(self, args):
        self.rates = []  # videorate elements of the running media
        self.sizes = []  # their size filters
        self.late = args.late
        self.silent = args.silent
        self.rate = parse_rate(args.fps)
        launch = (
            "( videotestsrc is-live=true pattern=smpte horizontal-speed=4"
            " ! capsfilter name=size caps=video/x-raw,format=I420,width={w},height={h},framerate={rate}"
            " ! videorate name=limit drop-only=true ! {encoder} )"
        ).format(w=args.width, h=args.height, rate=parse_rate(args.fps),
                 encoder=ENCODERS[args.codec].format(gop=args.gop))
        self.server = GstRtspServer.RTSPServer()
        self.server.set_address("127.0.0.1")
        self.server.set_service(str(args.port))
        factory = GstRtspServer.RTSPMediaFactory()
        factory.set_launch(launch)
        if args.udp_only:
            factory.set_protocols(GstRtsp.RTSPLowerTrans.UDP)
        factory.connect("media-configure", self.on_media)
        if args.user:
            auth = GstRtspServer.RTSPAuth()
            token = GstRtspServer.RTSPToken()
            token.set_string("media.factory.role", "camera")
            auth.set_supported_methods(GstRtsp.RTSPAuthMethod.DIGEST)
            auth.add_digest(args.user, args.password, token)
            self.server.set_auth(auth)
            permissions = GstRtspServer.RTSPPermissions()
            permissions.add_permission_for_role("camera", "media.factory.access", True)
            permissions.add_permission_for_role("camera", "media.factory.construct", True)
            factory.set_permissions(permissions)
        self.server.get_mount_points().add_factory(args.mount, factory)
        self.server.connect("client-connected", self.on_client)
        if self.server.attach(None) == 0:
            raise SystemExit("cannot listen on port %s" % args.port)
        say("port %d" % self.server.get_bound_port())

    def on_media(self, _factory, media):
        element = media.get_element()
        self.rates.append(element.get_by_name("limit"))
        self.sizes.append(element.get_by_name("size"))
        pad = element.get_by_name("pay0").get_static_pad("src")
        if self.silent:
            # The server answers PLAY once a packet has come past its own
            # gate: packets are dropped after it, where they leave for the
            # clients (over TCP or UDP).
            media.connect("prepared", self.silence)
        elif self.late > 0:
            # The packets of the first frames go nowhere, so the client's
            # stream starts between key frames, as when it joins a running
            # camera; the stream's description still names the codec setup.
            start = []

            def drop_early(_pad, info):
                if info.type & Gst.PadProbeType.BUFFER_LIST:
                    pts = info.get_buffer_list().get(0).pts
                else:
                    pts = info.get_buffer().pts
                if not start:
                    start.append(pts)
                if pts - start[0] < self.late * Gst.SECOND:
                    return Gst.PadProbeReturn.DROP
                return Gst.PadProbeReturn.OK

            pad.add_probe(Gst.PadProbeType.BUFFER | Gst.PadProbeType.BUFFER_LIST, drop_early)

    @staticmethod
    def silence(media):
        # Behind the gate that PLAY waits for: the stream leaves rtpbin here.
        pipeline = media.get_element().get_parent()
        for element in pipeline.iterate_recurse():
            factory = element.get_factory()
            if factory is None or factory.get_name() != "rtpbin":
                continue
            for pad in element.iterate_src_pads():
                if pad.get_name().startswith("send_rtp_src"):
                    pad.add_probe(Gst.PadProbeType.BUFFER | Gst.PadProbeType.BUFFER_LIST,
                                  lambda *_: Gst.PadProbeReturn.DROP)

    def on_client(self, _server, _client):
        say("client")

    def set_rate(self, fps):
        for limit in self.rates:
            limit.set_property("max-rate", fps if fps > 0 else 2147483647)

    def set_size(self, width, height):
        caps = Gst.Caps.from_string("video/x-raw,format=I420,width=%d,height=%d,framerate=%s"
                                    % (width, height, self.rate))
        for size in self.sizes:
            size.set_property("caps", caps)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--mount", default="/Streaming/Channels/101")
    parser.add_argument("--codec", choices=sorted(ENCODERS), default="h264")
    parser.add_argument("--fps", default="25")
    parser.add_argument("--gop", type=int, default=25, help="frames between key frames")
    parser.add_argument("--width", type=int, default=320)
    parser.add_argument("--height", type=int, default=240)
    parser.add_argument("--user", default="")
    parser.add_argument("--password", default="")
    parser.add_argument("--late", type=float, default=0,
                        help="seconds of each stream that no client gets: it starts"
                             " between key frames")
    parser.add_argument("--silent", action="store_true",
                        help="answer and play, but send no video")
    parser.add_argument("--udp-only", action="store_true",
                        help="refuse RTSP over TCP: video over UDP only")
    args = parser.parse_args()

    Gst.init(None)
    loop = GLib.MainLoop()
    camera = Camera(args)

    def commands():
        for line in sys.stdin:
            words = line.split()
            if len(words) == 2 and words[0] == "rate":
                GLib.idle_add(camera.set_rate, int(float(words[1])))
            elif len(words) == 3 and words[0] == "size":
                GLib.idle_add(camera.set_size, int(words[1]), int(words[2]))
        GLib.idle_add(loop.quit)

    threading.Thread(target=commands, daemon=True).start()
    signal.signal(signal.SIGTERM, lambda *_: GLib.idle_add(loop.quit))
    loop.run()


if __name__ == "__main__":
    main()
