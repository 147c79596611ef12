-- Neovim's own LSP client against `tact-script lsp`: a planted mistake's diagnostic, completion
-- after "Video.", and a definition jump into another file. Run by neovim_test.sh, which passes
-- the server and the game folder in TACT_SCRIPT and TACT_GAME and reads the result file.
local results = {}
local function check(ok, what)
  table.insert(results, (ok and 'ok ' or 'FAIL ') .. what)
  return ok
end

local function run()
  local game = vim.env.TACT_GAME
  local id = vim.lsp.start_client({
    name = 'tact',
    cmd = { vim.env.TACT_SCRIPT, 'lsp' },
    root_dir = game,
    get_language_id = function() return 'gm' end,
  })
  assert(id, 'the server did not start')

  -- Ship.gm with the planted mistake on line 5: Video.setColor.
  vim.cmd('edit ' .. game .. '/Ship.gm')
  local buf = vim.api.nvim_get_current_buf()
  vim.lsp.buf_attach_client(buf, id)
  local got = vim.wait(10000, function() return #vim.diagnostic.get(buf) > 0 end, 20)
  local diagnostics = vim.diagnostic.get(buf)
  check(got, 'a diagnostic arrives')
  if got then
    local d = diagnostics[1]
    check(d.lnum == 4, 'the diagnostic is on line 5 (got ' .. tostring(d.lnum + 1) .. ')')
    check(d.severity == vim.diagnostic.severity.ERROR, 'it is an error')
    check(d.message:find('setColour', 1, true) ~= nil, 'it suggests setColour: ' .. d.message)
  end

  -- Retyping the line as a user does replaces the diagnostic (the half-typed line is a syntax
  -- error of its own).
  vim.api.nvim_buf_set_lines(buf, 4, 5, false, { '            Video.' })
  local function stale()
    for _, d in ipairs(vim.diagnostic.get(buf)) do
      if d.message:find('setColor"', 1, true) then return true end
    end
    return false
  end
  check(vim.wait(10000, function() return not stale() end, 20), 'the change reaches the server')
  local res = vim.lsp.buf_request_sync(buf, 'textDocument/completion', {
    textDocument = { uri = vim.uri_from_bufnr(buf) },
    position = { line = 4, character = 18 },
  }, 10000)
  local labels = {}
  local reply = res and res[id]
  if reply and reply.result then
    for _, item in ipairs(reply.result.items or reply.result) do labels[item.label] = item end
  end
  check(labels.setColour ~= nil, 'completion after "Video." lists setColour')
  check(labels.setColour ~= nil and labels.setColour.documentation ~= nil, 'with its description')
  check(labels.createEntity == nil, 'and not the methods of other objects')

  -- From Main.gm, createEntity("Ship") jumps to Ship.gm.
  vim.cmd('edit ' .. game .. '/Main.gm')
  local main = vim.api.nvim_get_current_buf()
  vim.lsp.buf_attach_client(main, id)
  local line = vim.fn.search('createEntity("Ship")')
  check(line > 0, 'Main.gm holds createEntity("Ship")')
  local column = vim.fn.col('.') + #'createEntity("'
  vim.api.nvim_win_set_cursor(0, { line, column })
  vim.lsp.buf.definition()
  local jumped = vim.wait(10000, function() return vim.api.nvim_buf_get_name(0):match('/Ship%.gm$') ~= nil end, 20)
  check(jumped, 'the definition jump lands in Ship.gm (in ' .. vim.api.nvim_buf_get_name(0) .. ')')
  check(vim.api.nvim_win_get_cursor(0)[1] == 1, 'on the line of "global Ship"')

  vim.lsp.stop_client(id)
end

local ok, err = pcall(run)
check(ok, 'the test ran: ' .. tostring(err))
vim.fn.writefile(results, vim.env.TACT_RESULT)
vim.cmd('qall!')
