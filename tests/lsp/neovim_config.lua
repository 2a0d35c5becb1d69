-- scenarioc's language server for the line and train files, in Neovim 0.7
-- or later (init.lua). The README shows this block as it stands.
local scenarioc_client
vim.api.nvim_create_autocmd({ 'BufReadPost', 'BufNewFile' }, {
  pattern = { '*_linea.txt', '*-.txt' },
  callback = function(args)
    scenarioc_client = scenarioc_client or vim.lsp.start_client({
      name = 'scenarioc',
      cmd = { vim.env.SCENARIOC or 'scenarioc', 'lsp' },
      root_dir = vim.fn.fnamemodify(args.file, ':p:h'),
    })
    vim.lsp.buf_attach_client(args.buf, scenarioc_client)
  end,
})
