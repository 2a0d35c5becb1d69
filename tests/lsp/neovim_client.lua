-- Neovim as an author uses it, headless, against `scenarioc lsp`: a train
-- file with a typo in a key is opened; the warning appears at its row;
-- the hover of a key shows its meaning; completion under [segnali] offers
-- the signal; the "did you mean" fix is chosen and applied, and the
-- warning goes. Run by tests/lsp/neovim_test.cc, which sets
--   SCENARIOC       the program,
--   SCENARIOC_DIR   the scenario folder, with Valdena_704-.txt in it,
--   SCENARIOC_TYPO  the 1-based row of the typo ("segnle"),
--   SCENARIOC_KEY   the 1-based row of a signal ("segnale").
local failures = 0
local function check(ok, what)
  io.stdout:write((ok and 'ok: ' or 'FAILED: ') .. what .. '\n')
  if not ok then failures = failures + 1 end
end

dofile(vim.env.SCENARIOC_CONFIG)

local function run()

local typo_row = tonumber(vim.env.SCENARIOC_TYPO)
local key_row = tonumber(vim.env.SCENARIOC_KEY)
vim.cmd('edit ' .. vim.fn.fnameescape(vim.env.SCENARIOC_DIR .. '/Valdena_704-.txt'))
local buf = vim.api.nvim_get_current_buf()

-- 1. The warning at its row.
local function warnings_on(row)
  local found = {}
  for _, d in ipairs(vim.diagnostic.get(buf)) do
    if d.lnum == row - 1 then table.insert(found, d) end
  end
  return found
end
vim.wait(15000, function() return #warnings_on(typo_row) > 0 end, 20)
local typo = warnings_on(typo_row)
check(#typo == 1, 'one diagnostic on row ' .. typo_row)
if #typo == 1 then
  check(typo[1].severity == vim.diagnostic.severity.WARN, 'it is a warning')
  check(typo[1].message:find("did you mean 'segnale'", 1, true) ~= nil, 'it says: ' .. typo[1].message)
  check(typo[1].col == 0, 'it starts at the key')
end

-- 2. The hover of a key, in its floating window.
local function floating_text()
  for _, win in ipairs(vim.api.nvim_list_wins()) do
    if vim.api.nvim_win_get_config(win).relative ~= '' then
      local lines = vim.api.nvim_buf_get_lines(vim.api.nvim_win_get_buf(win), 0, -1, false)
      return table.concat(lines, '\n')
    end
  end
  return nil
end
vim.api.nvim_win_set_cursor(0, { key_row, 2 })
vim.lsp.buf.hover()
vim.wait(5000, function() return floating_text() ~= nil end, 20)
local hover = floating_text() or ''
check(hover:find('key segnale: a signal', 1, true) ~= nil, 'the hover tells the key: ' .. hover:sub(1, 60))
check(hover:find('posizione (m): where the signal stands', 1, true) ~= nil, 'the hover tells its values')
for _, win in ipairs(vim.api.nvim_list_wins()) do
  if vim.api.nvim_win_get_config(win).relative ~= '' then vim.api.nvim_win_close(win, true) end
end

-- 3. Completion under [segnali], at the start of a signal's row.
local params = vim.lsp.util.make_position_params()
params.position = { line = key_row - 1, character = 0 }
local answers = vim.lsp.buf_request_sync(buf, 'textDocument/completion', params, 5000) or {}
local labels = {}
for _, answer in pairs(answers) do
  for _, item in ipairs(answer.result or {}) do labels[item.label] = item end
end
check(labels['segnale'] ~= nil, 'completion offers segnale')
check(labels['[stazioni]'] ~= nil, 'completion offers the headers')
check(labels['pendenza'] == nil, 'completion leaves out the keys of the line file')

-- 4. The "did you mean" fix, chosen as an author chooses it from the list.
vim.ui.select = function(items, _, on_choice) on_choice(items[1], 1) end
vim.api.nvim_win_set_cursor(0, { typo_row, 1 })
vim.lsp.buf.code_action()
vim.wait(5000, function()
  return vim.api.nvim_buf_get_lines(buf, typo_row - 1, typo_row, false)[1]:sub(1, 8) == 'segnale,'
end, 20)
local fixed = vim.api.nvim_buf_get_lines(buf, typo_row - 1, typo_row, false)[1]
check(fixed:sub(1, 8) == 'segnale,', 'the row now reads: ' .. fixed)
vim.wait(15000, function() return #warnings_on(typo_row) == 0 end, 20)
check(#warnings_on(typo_row) == 0, 'the warning is gone')
check(#vim.diagnostic.get(buf) == 0, 'no diagnostic is left')

end

-- An error in the script is a failure too, never a hang.
local ran, err = pcall(run)
check(ran, 'the script ran to its end' .. (ran and '' or (': ' .. tostring(err))))
for _, client in pairs(vim.lsp.get_active_clients()) do client.stop() end
vim.wait(2000, function() return #vim.lsp.get_active_clients() == 0 end, 20)
io.stdout:write(failures == 0 and 'all passed\n' or (failures .. ' failed\n'))
io.stdout:flush()
os.exit(failures == 0 and 0 or 1)
