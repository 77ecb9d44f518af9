-- Renders test files through Talkforge in Ardour, headless: for each render a
-- session with one stereo track, the file on it, Talkforge inserted from the
-- built plug-in folder with its parameters set through the host, and the track
-- bounced with its processing to 32-bit float WAV files.
--
-- Usage: ardour7-lua session.lua JOB
--
-- JOB is a Lua file that returns
--   plugin   the built Talkforge.so; its folder becomes the host's VST search path
--   vst3     (optional) the built Talkforge.vst3 bundle; its folder becomes the
--            host's VST 3 search path
--   lv2_uri  (optional) the LV2 plug-in's URI; Ardour finds its bundle through
--            LV2_PATH
--   scratch  a folder for the sessions and the results
--   block    the engine's period in frames
--   renders  a list of { name, rate, input (a stereo file), input_frames, frames
--            (the range to bounce), params (a list of { index, value }),
--            format ("VST3" for the bundle, "LV2" for the LV2 plug-in, else the
--            VST 2 plug-in), sidechain (VST 3: the file's right channel feeds
--            the Carrier bus; LV2: the carrier pin) }
-- For each render it writes scratch/NAME.result: "lead N", the frames the plug-in
-- processed before the file's first frame reached it, "latency N", the latency
-- the host reads from the plug-in, then "channel PATH" for each bounced channel.
--
-- Bounced rather than exported: Ardour 7.3's export aborts the program in about
-- one headless export in five, with or without a plug-in in the session (free()
-- on an invalid pointer as the export's file writers are torn down on the
-- engine thread, ExportGraphBuilder::reset). A bounce runs the track's own
-- processors, the same plug-in instance the engine ran until then.

local job = dofile (arg[1])

local kSessionName = "talkforge"
local kTrackName = "input"
local kCounterName = "Talkforge frame counter"  -- counter.lua
-- Ids of the objects added to the saved session, far above those Ardour hands out.
local kSourceIds = { 900001, 900002 }
local kWholeFileRegionId = 900003
local kPlaylistRegionId = 900004

local function fail (message)
	error (message, 0)
end

local function read_file (path)
	local f = assert (io.open (path, "rb"))
	local text = f:read ("a")
	f:close ()
	return text
end

local function write_file (path, text)
	local f = assert (io.open (path, "wb"))
	f:write (text)
	f:close ()
end

-- Ardour reads VST 2 and VST 3 plug-ins only from its caches, which its
-- scanners write.
local function scan (plugin, scanner)
	scanner = os.getenv ("ARDOUR_DLL_PATH") .. "/" .. scanner
	if not os.execute (string.format ("'%s' --quiet '%s'", scanner, plugin)) then
		fail (scanner .. " failed on " .. plugin)
	end
	return plugin:match ("^(.*)/[^/]*$")
end

local function run_engine (rate)
	if AudioEngine:running () then AudioEngine:stop (false) end
	local backend = AudioEngine:set_backend ("None (Dummy)", "", "")
	if not backend then fail ("Ardour's dummy audio backend is missing") end
	backend:set_device_name ("Silence")
	AudioEngine:set_sample_rate (rate)
	AudioEngine:set_buffer_size (job.block)
	if AudioEngine:start (false) ~= 0 then fail ("the audio engine did not start at " .. rate .. " Hz") end
end

-- The plug-in a render runs: its path (the VST 3 library inside the bundle)
-- and type.
local function plugin_of (render)
	if render.format == "LV2" then return job.lv2_uri, ARDOUR.PluginType.LV2 end
	if render.format == "VST3" then
		local name = job.vst3:match ("([^/]*)%.vst3$")
		return job.vst3 .. "/Contents/x86_64-linux/" .. name .. ".so", ARDOUR.PluginType.VST3
	end
	return job.plugin, ARDOUR.PluginType.LXVST
end

-- The unique id under which the host lists the plug-in at this path (an
-- LV2 plug-in's is its URI).
local function plugin_id (path, type)
	if type == ARDOUR.PluginType.LV2 then return path end
	for p in ARDOUR.LuaAPI.list_plugins ():iter () do
		if p.type == type and p.path == path then return p.unique_id end
	end
	fail ("Ardour does not list " .. path .. " among its " .. ARDOUR.PluginType.name (type) .. " plug-ins")
end

-- The track's right channel to the first input of the plug-in's side-chain
-- bus (its input pins count the main bus first: two in VST 3, one in LV2),
-- the left one to the voice.
local function carrier_from_sidechain (insert, pin)
	local map = ARDOUR.ChanMapping ()
	map:set (ARDOUR.DataType ("audio"), 0, 0)
	map:set (ARDOUR.DataType ("audio"), pin, 1)
	insert:set_input_map (0, map)
end

local kCycleTimeoutMicroseconds = 10000000
local kPollMicroseconds = 1000

-- Waits until the track has run a cycle: the counter has counted frames.
local function await_cycle (counter)
	local shmem = counter:to_insert ():plugin (0):to_luaproc ():shmem ()
	for _ = 1, kCycleTimeoutMicroseconds / kPollMicroseconds do
		if shmem:atomic_get_int (0) > 0 then return end
		ARDOUR.LuaAPI.usleep (kPollMicroseconds)
	end
	fail ("the track never ran a cycle")
end

-- A new session with one stereo track: the frame counter, then Talkforge with
-- the render's parameters. Saved and closed, so that loading it starts both
-- plug-ins in the same cycle with their parameters in place.
local function build_session (dir, render)
	if not create_session (dir, kSessionName, render.rate) then fail ("cannot create a session in " .. dir) end
	local cfg = Session:cfg ()
	cfg:set_native_file_data_format (ARDOUR.SampleFormat.Float)
	cfg:set_native_file_header_format (ARDOUR.HeaderFormat.WAVE)
	cfg:set_use_region_fades (false)

	local track = Session:new_audio_track (2, 2, nil, 1, kTrackName, ARDOUR.PresentationInfo.max_order,
	                                       ARDOUR.TrackMode.Normal, true):front ()
	local counter = ARDOUR.LuaAPI.new_luaproc (Session, kCounterName)
	if counter:isnil () then fail ("Ardour cannot find the Lua script '" .. kCounterName .. "'") end
	local path, type = plugin_of (render)
	local talkforge = ARDOUR.LuaAPI.new_plugin (Session, plugin_id (path, type), type, "")
	if talkforge:isnil () then fail ("Ardour cannot instantiate " .. path) end
	for _, p in ipairs (render.params) do
		if not ARDOUR.LuaAPI.set_processor_param (talkforge, p[1], p[2]) then
			fail ("the host refused parameter " .. p[1])
		end
	end
	track:add_processor_by_index (counter, 0, nil, true)
	track:add_processor_by_index (talkforge, 1, nil, true)
	if render.sidechain then carrier_from_sidechain (talkforge:to_insert (), render.format == "LV2" and 1 or 2) end
	-- A VST 3 host gives the values it set to the processor with its next
	-- cycle, and the saved state is the processor's: one cycle first.
	await_cycle (counter)
	local playlist = track:playlist ():to_stateful ():id ():to_s ()
	Session:save_state ("", false, false, false, false, false)
	track, counter, talkforge = nil, nil, nil
	collectgarbage ()
	close_session ()
	return playlist
end

-- A region holding the whole stereo file from the session's start, without fades.
local function region_xml (id, whole_file, render)
	return string.format ([[<Region name="%s" id="%d" type="audio" channels="2" whole-file="%d" ]]
		.. [[position="0" start="0" length="%d" muted="0" opaque="1" locked="0" ]]
		.. [[scale-amplitude="1" envelope-active="0" fade-in-active="0" fade-out-active="0" ]]
		.. [[default-fade-in="0" default-fade-out="0" ]]
		.. [[source-0="%d" source-1="%d" master-source-0="%d" master-source-1="%d"/>]],
		kTrackName, id, whole_file, render.input_frames,
		kSourceIds[1], kSourceIds[2], kSourceIds[1], kSourceIds[2])
end

-- Headless Ardour has no file import in Lua: the file goes into the saved
-- session as one source per channel (the file used in place) and a region on
-- the track's playlist.
local function place_file (dir, playlist, render)
	local path = dir .. "/" .. kSessionName .. ".ardour"
	local xml = read_file (path)
	local sources = {}
	for channel, id in ipairs (kSourceIds) do
		sources[#sources + 1] = string.format ([[<Source name="%s" type="audio" flags="" id="%d" channel="%d" origin=""/>]],
		                                       render.input, id, channel - 1)
	end
	local edits = {
		{ "<Sources/>", "<Sources>" .. table.concat (sources) .. "</Sources>" },
		{ "<Regions/>", "<Regions>" .. region_xml (kWholeFileRegionId, 1, render) .. "</Regions>" },
		{ '(<Playlist id="' .. playlist .. '"[^>]*)/>', "%1>" .. region_xml (kPlaylistRegionId, 0, render) .. "</Playlist>" },
	}
	for _, e in ipairs (edits) do
		local n
		xml, n = xml:gsub (e[1], e[2])
		if n ~= 1 then fail ("unexpected session file layout: no '" .. e[1] .. "' in " .. path) end
	end
	write_file (path, xml)
end

local function check_region (track, render)
	local regions = {}
	for r in track:playlist ():region_list ():iter () do regions[#regions + 1] = r end
	if #regions ~= 1 then fail ("the track has " .. #regions .. " regions, not 1") end
	local position, length = regions[1]:position ():samples (), regions[1]:length ():samples ()
	if position ~= 0 or length ~= render.input_frames then
		fail ("the region lies at " .. position .. " for " .. length .. " frames")
	end
end

-- The track's processing up to its outputs (the counter, Talkforge and the
-- fader at unity), written to new files in the session.
local function bounce (track, render)
	local region = track:bounce_range (0, render.frames, ARDOUR.InterThreadInfo (), track:main_outs (), false, render.name)
	if region:isnil () then fail ("Ardour could not bounce '" .. render.name .. "'") end
	local paths = {}
	for c = 0, region:to_audioregion ():n_channels () - 1 do
		paths[#paths + 1] = region:source (c):to_filesource ():path ()
	end
	return paths
end

local function plugin_latency (track)
	return track:nth_plugin (1):signal_latency ()
end

local function frames_before_input (track)
	local counter = track:nth_plugin (0):to_insert ():plugin (0):to_luaproc ():shmem ()
	if counter:atomic_get_int (1) == 0 then fail ("the frame counter never saw the file's first frame") end
	return counter:atomic_get_int (0)
end

local function render_once (render)
	local dir = job.scratch .. "/session-" .. render.name
	run_engine (render.rate)
	local playlist = build_session (dir, render)
	place_file (dir, playlist, render)
	if not load_session (dir, kSessionName) then fail ("cannot load the session in " .. dir) end
	local track = Session:route_by_name (kTrackName):to_track ()
	check_region (track, render)
	local paths = bounce (track, render)
	local result = { "lead " .. frames_before_input (track), "latency " .. plugin_latency (track) }
	for _, p in ipairs (paths) do result[#result + 1] = "channel " .. p end
	write_file (job.scratch .. "/" .. render.name .. ".result", table.concat (result, "\n") .. "\n")
end

ARDOUR.config ():set_plugin_path_lxvst (scan (job.plugin, "ardour-vst-scanner"))
if job.vst3 then ARDOUR.config ():set_plugin_path_vst3 (scan (job.vst3, "ardour-vst3-scanner")) end
for _, render in ipairs (job.renders) do
	render_once (render)
	collectgarbage ()
	close_session ()
end
