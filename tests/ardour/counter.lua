ardour {
	["type"]    = "dsp",
	name        = "Talkforge frame counter",
	category    = "Utility",
	license     = "MIT",
	author      = "Harrowgate Sounds",
	description = [[Passes stereo audio through and counts the frames that run
before the first nonzero sample: placed ahead of Talkforge, it tells how many
frames the plug-in processed before a region's first frame reached it.]]
}

-- Shared with the session script: [0] frames before the first nonzero sample,
-- [1] 1 once that sample has arrived.
local kFrames = 0
local kFound = 1

function dsp_ioconfig ()
	return { { audio_in = 2, audio_out = 2 } }
end

function dsp_init (rate)
	self:shmem():allocate (2)
	self:shmem():clear ()
end

function dsp_run (ins, outs, n_samples)
	local shm = self:shmem ()
	if shm:atomic_get_int (kFound) == 0 then
		local left = ins[1]:array ()
		local right = ins[2]:array ()
		local counted = n_samples
		for i = 1, n_samples do
			if left[i] ~= 0 or right[i] ~= 0 then
				counted = i - 1
				shm:atomic_set_int (kFound, 1)
				break
			end
		end
		shm:atomic_set_int (kFrames, shm:atomic_get_int (kFrames) + counted)
	end
	for c = 1, 2 do
		if not ins[c]:sameinstance (outs[c]) then
			ARDOUR.DSP.copy_vector (outs[c], ins[c], n_samples)
		end
	end
end
